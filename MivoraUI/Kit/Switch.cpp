#include "MivoraUI/Kit/Switch.h"

#include "MivoraUI/Kit/UI.h"

#include <QPainter>
#include <QScopedValueRollback>

namespace mivora {

namespace {
constexpr double trackWidth = 38;
constexpr double trackHeight = 22;
constexpr double inset = 2;
} // namespace

Switch::Switch(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::toggled, this, [this](bool on) {
        if (isVisible())
            position_.springTo(on ? 1.0 : 0.0, UI::smooth);
        else
            position_.jumpTo(on ? 1.0 : 0.0);
        if (!reflecting_) emit flipped(on);
    });
    connect(&position_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

void Switch::reflect(bool on) {
    const QScopedValueRollback guard(reflecting_, true);
    setChecked(on);
}

QSize Switch::sizeHint() const {
    return QSizeF(trackWidth, trackHeight).toSize();
}

void Switch::showEvent(QShowEvent* event) {
    // A switch set while hidden shows its state at once.
    if (position_.state() != QAbstractAnimation::Running) position_.jumpTo(isChecked() ? 1.0 : 0.0);
    QAbstractButton::showEvent(event);
}

void Switch::paintEvent(QPaintEvent*) {
    const double p = std::clamp(position(), 0.0, 1.0);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track(0, (height() - trackHeight) / 2, trackWidth, trackHeight);
    QColor off = UI::primary(palette());
    off.setAlphaF(0.12f);
    QColor fill = UI::mix(off, UI::accent(palette()), p);
    if (!isEnabled()) fill.setAlphaF(fill.alphaF() * 0.5f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, trackHeight / 2, trackHeight / 2);
    if (hasFocus()) {
        painter.setPen(QPen(UI::accent(palette()), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-1.5, -1.5, 1.5, 1.5), trackHeight / 2 + 1.5,
                                trackHeight / 2 + 1.5);
    }
    const double knob = trackHeight - 2 * inset;
    const QRectF knobRect(track.left() + inset + p * (trackWidth - trackHeight), track.top() + inset, knob,
                          knob);
    UI::paintShadow(painter, knobRect, knob / 2, 3, QColor(0, 0, 0, 40), QPointF(0, 1));
    painter.setPen(Qt::NoPen);
    painter.setBrush(UI::isDark(palette()) && p < 0.5 ? QColor(0xe8, 0xe8, 0xe8) : UI::onAccent(palette()));
    painter.drawEllipse(knobRect);
}

} // namespace mivora
