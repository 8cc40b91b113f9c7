#include "MivoraUI/HUD/HUDView.h"

#include "MivoraUI/HUD/HUDPill.h"
#include "MivoraUI/Kit/LayerEffect.h"
#include "MivoraUI/Kit/UI.h"

#include <QEvent>
#include <QPainter>

namespace mivora {

namespace {
constexpr int bottomPadding = 14;
constexpr Spring appear{0.34, 0.78};
} // namespace

HUDView::HUDView(const HUDOptions& options, QWidget* parent)
    : QWidget(parent), reduceMotion_(options.reduceMotion) {
    setFixedSize(windowSize);
    setAttribute(Qt::WA_TranslucentBackground);
    pill_ = new HUDPill(VoicePhase::idle(), VoiceMode::dictate, 0, options, this);
    pose_ = new LayerEffect(pill_);
    pill_->setGraphicsEffect(pose_);
    pill_->installEventFilter(this);
    placePill();
    connect(&shown_, &QVariantAnimation::valueChanged, this, [this] { applyPose(); });
    applyPose();
}

void HUDView::setHotkey(const QString& hotkey) {
    pill_->setHotkey(hotkey);
}

void HUDView::setState(const VoicePhase& phase, VoiceMode mode, float level) {
    const VoicePhase old = pill_->phase();
    pill_->setState(phase, mode, level);
    if (phase == old) return;
    const bool idle = phase.is(VoicePhase::Kind::idle);
    if (idle == old.is(VoicePhase::Kind::idle)) return;
    const double target = idle ? 0.0 : 1.0;
    if (reduceMotion_)
        shown_.easeTo(target, 0.16);
    else if (!idle)
        shown_.springTo(target, appear);
    else
        shown_.easeTo(target, 0.2);
}

void HUDView::setFades(bool fades) {
    if (fades == fades_) return;
    fades_ = fades;
    applyPose();
}

QRect HUDView::pillRect() const {
    return pill_->geometry();
}

QRectF HUDView::posedPillRect() const {
    const LayerEffect::Look& look = pose_->look();
    const QRectF r = pillRect();
    const QPointF anchor(r.center().x(), r.bottom());
    return {anchor + (r.topLeft() - anchor) * look.scale + look.offset,
            anchor + (r.bottomRight() - anchor) * look.scale + look.offset};
}

bool HUDView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pill_ && event->type() == QEvent::Resize) placePill();
    return QWidget::eventFilter(watched, event);
}

void HUDView::placePill() {
    const QSize s = pill_->size();
    pill_->move((width() - s.width()) / 2, height() - bottomPadding - s.height());
    update();
    emit pillRectChanged(pill_->geometry());
}

void HUDView::applyPose() {
    const double s = shown();
    LayerEffect::Look look;
    look.opacity = fades_ ? std::clamp(s, 0.0, 1.0) : 1.0;
    look.scale = reduceMotion_ ? 1.0 : 0.92 + 0.08 * s;
    look.anchor = {0.5, 1.0};
    look.offset = {0, reduceMotion_ ? 0.0 : 6 * (1 - s)};
    pose_->setLook(look);
    // At rest the pose is off: a part of the pill that repaints by itself (a notice whose blur-fade ended,
    // the moving bars) under an ancestor's effect lands on screen at twice its offset, a second copy that
    // the window's shape then cuts. Only the whole window's repaints during the pose go through the effect.
    pose_->setEnabled(!(look.opacity >= 1 && look.scale == 1 && look.offset.isNull()));
    update();
    emit pillRectChanged(pillRect());
}

void HUDView::paintEvent(QPaintEvent*) {
    const double opacity = std::clamp(shown(), 0.0, 1.0);
    if (opacity <= 0) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    UI::paintShadow(painter, posedPillRect(), 20, 12, QColor::fromRgbF(0, 0, 0, float(0.28 * opacity)),
                    QPointF(0, 4));
}

} // namespace mivora
