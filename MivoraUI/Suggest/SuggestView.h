#pragma once

#include "MivoraUI/Kit/LayerEffect.h"
#include "MivoraUI/Kit/SpringAnimation.h"
#include "Suggest/SuggestController.h"

#include <QWidget>

#include <optional>

namespace mivora {

class SuggestChip;

// What fills the suggestion strip: the chip at the top left, 6 points in, with its shadow in the space
// below. An offer springs the chip in (from 96 % size and 5 points higher, fading in); a changed offer
// springs its width to the new content; no offer shrinks it towards its left edge while it fades out.
// With reduced motion the chip only fades in and out and changes width at once.
class SuggestView final : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize viewSize{360, 44};

    explicit SuggestView(bool reduceMotion, QWidget* parent = nullptr);

    // An equal offer changes nothing.
    void setOffer(const std::optional<SuggestController::Offer>& offer);

    const SuggestChip& chip() const { return *chip_; }
    // 0 gone, 1 fully in (the spring may briefly pass 1).
    double shown() const { return shown_.value().toDouble(); }
    // How the chip is drawn at this moment of its transition.
    const LayerEffect::Look& pose() const { return pose_->look(); }
    // Where the chip is drawn at this moment of its transition, in this view's coordinates.
    QRectF posedChipRect() const;

signals:
    // The chip changed its width or its pose.
    void chipRectChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void animate(SpringAnimation& animation, const QVariant& target);
    void applyPose();

    const bool reduceMotion_;
    std::optional<SuggestController::Offer> offer_;
    SuggestChip* chip_;
    LayerEffect* pose_;
    SpringAnimation shown_{0.0};
    SpringAnimation width_{0.0};
};

} // namespace mivora
