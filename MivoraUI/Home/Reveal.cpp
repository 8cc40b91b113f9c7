#include "MivoraUI/Home/Reveal.h"

#include "MivoraUI/Kit/LayerEffect.h"
#include "MivoraUI/Kit/UI.h"

#include <QWidget>

namespace mivora {

Reveal::Reveal(QWidget* block, int index, Scheduler& scheduler)
    : QObject(block), block_(block), effect_(new LayerEffect(block)), index_(index), scheduler_(scheduler) {
    block->setGraphicsEffect(effect_);
    connect(&progress_, &QVariantAnimation::valueChanged, this, &Reveal::apply);
    connect(&progress_, &QAbstractAnimation::finished, this, &Reveal::apply);
    apply();
}

Reveal::~Reveal() {
    scheduler_.cancel(timer_);
}

void Reveal::start(bool reduceMotion) {
    if (reduceMotion) {
        progress_.jumpTo(1.0);
        return;
    }
    scheduler_.cancel(timer_);
    timer_ = scheduler_.after(stagger * index_, [this] {
        timer_ = 0;
        progress_.springTo(1.0, UI::page);
    });
}

void Reveal::apply() {
    if (!block_ || !effect_) return;
    const double p = progress();
    // In place and at rest, the block draws itself again, without the layer.
    if (p >= 1 && progress_.state() != QAbstractAnimation::Running) {
        block_->setGraphicsEffect(nullptr);
        return;
    }
    effect_->setLook({.opacity = std::clamp(p, 0.0, 1.0), .offset = QPointF(0, drop * (1 - p))});
}

} // namespace mivora
