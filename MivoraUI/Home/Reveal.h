#pragma once

#include "MivoraUI/Kit/SpringAnimation.h"
#include "Support/Scheduler.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace mivora {

class LayerEffect;

// The entrance of one block of a page: hidden and 10 points low until started, then, after 0.06 s per
// step of its index, it rises into place while fading in along the page spring. Owned by the block.
class Reveal final : public QObject {
    Q_OBJECT
public:
    static constexpr double stagger = 0.06;
    static constexpr double drop = 10;

    Reveal(QWidget* block, int index, Scheduler& scheduler);
    ~Reveal() override;

    // With `reduceMotion` the block shows at once.
    void start(bool reduceMotion);
    // 0 hidden, 1 in place.
    double progress() const { return progress_.value().toDouble(); }

private:
    void apply();
    QPointer<QWidget> block_;
    QPointer<LayerEffect> effect_;
    const int index_;
    Scheduler& scheduler_;
    Scheduler::TimerId timer_ = 0;
    SpringAnimation progress_{0.0};
};

} // namespace mivora
