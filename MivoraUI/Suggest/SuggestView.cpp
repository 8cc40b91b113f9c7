#include "MivoraUI/Suggest/SuggestView.h"

#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Suggest/SuggestChip.h"

#include <QPainter>

namespace mivora {

namespace {

constexpr int inset = 6;
constexpr Spring motion{0.26, 0.85};
constexpr double fadeSeconds = 0.16;

} // namespace

SuggestView::SuggestView(bool reduceMotion, QWidget* parent)
    : QWidget(parent), reduceMotion_(reduceMotion), chip_(new SuggestChip(this)),
      pose_(new LayerEffect(chip_)) {
    setFixedSize(viewSize);
    setAttribute(Qt::WA_TranslucentBackground);
    chip_->move(inset, 0);
    chip_->setGraphicsEffect(pose_);
    chip_->hide();
    connect(&shown_, &QVariantAnimation::valueChanged, this, [this] { applyPose(); });
    connect(&width_, &QVariantAnimation::valueChanged, this, [this] {
        chip_->resize(qRound(width_.value().toDouble()), SuggestChip::chipHeight);
        update();
        emit chipRectChanged();
    });
    applyPose();
}

void SuggestView::setOffer(const std::optional<SuggestController::Offer>& offer) {
    if (offer == offer_) return;
    const bool wasIn = offer_.has_value();
    offer_ = offer;
    if (!offer) {
        animate(shown_, 0.0);
        return;
    }
    chip_->setOffer(*offer);
    const double width = chip_->sizeHint().width();
    chip_->show();
    if (wasIn) {
        // The chip keeps its drawn width until the animation moves it.
        chip_->resize(qRound(width_.value().toDouble()), SuggestChip::chipHeight);
        animate(width_, width);
        return;
    }
    width_.jumpTo(width);
    animate(shown_, 1.0);
}

void SuggestView::animate(SpringAnimation& animation, const QVariant& target) {
    if (reduceMotion_ && &animation == &width_)
        animation.jumpTo(target);
    else if (reduceMotion_)
        animation.easeTo(target, fadeSeconds);
    else
        animation.springTo(target, motion);
}

void SuggestView::applyPose() {
    const double s = shown();
    LayerEffect::Look look;
    look.opacity = std::clamp(s, 0.0, 1.0);
    if (!reduceMotion_ && !offer_) {
        look.scale = 0.92 + 0.08 * s;
        look.anchor = {0, 0.5};
    } else if (!reduceMotion_) {
        look.scale = 0.96 + 0.04 * s;
        look.anchor = {0, 0};
        look.offset = {0, -5 * (1 - s)};
    }
    pose_->setLook(look);
    update();
    emit chipRectChanged();
}

QRectF SuggestView::posedChipRect() const {
    const LayerEffect::Look& look = pose();
    const QRectF r = chip_->geometry();
    const QPointF anchor(r.left() + r.width() * look.anchor.x(), r.top() + r.height() * look.anchor.y());
    return {anchor + (r.topLeft() - anchor) * look.scale + look.offset,
            anchor + (r.bottomRight() - anchor) * look.scale + look.offset};
}

void SuggestView::paintEvent(QPaintEvent*) {
    const LayerEffect::Look& look = pose();
    if (look.opacity <= 0 || chip_->isHidden()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF posed = posedChipRect();
    UI::paintShadow(painter, posed, posed.height() / 2, 8,
                    QColor::fromRgbF(0, 0, 0, float(0.22 * look.opacity)), QPointF(0, 3));
}

} // namespace mivora
