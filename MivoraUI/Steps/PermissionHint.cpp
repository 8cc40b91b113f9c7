#include "MivoraUI/Steps/PermissionHint.h"

#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Kit/WindowVisible.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace mivora {

namespace {
constexpr int loopMs = 1800;

// 0 → 1 → 0 over one loop, eased at both ends.
double swing(double t) {
    return 0.5 - 0.5 * std::cos(t * 2 * M_PI);
}
} // namespace

PermissionHint::PermissionHint(Kind kind, QWidget* parent) : QWidget(parent), kind_(kind) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    loop_.setStartValue(0.0);
    loop_.setEndValue(1.0);
    loop_.setDuration(loopMs);
    loop_.setLoopCount(-1);
    connect(&loop_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
    setFixedSize(sizeHint());
}

bool PermissionHint::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide ||
        event->type() == WindowVisible::changedEvent())
        follow();
    return handled;
}

void PermissionHint::follow() {
    const bool run = isVisible() && WindowVisible::of(this);
    if (!run) {
        if (animating()) loop_.pause();
    } else if (loop_.state() == QAbstractAnimation::Paused) {
        loop_.resume();
    } else if (loop_.state() == QAbstractAnimation::Stopped) {
        loop_.start();
    }
}

void PermissionHint::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double t = loop_.currentValue().isValid() ? loop_.currentValue().toDouble() : 0.0;
    const QColor ink = UI::primary(palette());
    switch (kind_) {
    case Kind::mic:
        paintMic(painter, t, ink);
        break;
    case Kind::accessibility:
        paintSwitch(painter, t, ink);
        break;
    case Kind::fn:
        paintKey(painter, t, ink);
        break;
    }
}

void PermissionHint::paintMic(QPainter& painter, double t, const QColor& ink) const {
    const QPointF c(height() / 2.0 + 4, height() / 2.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawRoundedRect(QRectF(c.x() - 3.5, c.y() - 8, 7, 12), 3.5, 3.5);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ink, 1.4, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(QRectF(c.x() - 6, c.y() - 6, 12, 12), 200 * 16, 140 * 16);
    painter.drawLine(QPointF(c.x(), c.y() + 6), QPointF(c.x(), c.y() + 9));
    // Three waves leave the microphone one after another and fade as they go.
    for (int i = 0; i < 3; ++i) {
        const double p = std::fmod(t + i / 3.0, 1.0);
        QColor wave = ink;
        wave.setAlphaF(0.75 * (1 - p));
        painter.setPen(QPen(wave, 1.4, Qt::SolidLine, Qt::RoundCap));
        const double r = 9 + 16 * p;
        painter.drawArc(QRectF(c.x() - r, c.y() - 2 - r, 2 * r, 2 * r), -40 * 16, 80 * 16);
    }
}

void PermissionHint::paintSwitch(QPainter& painter, double t, const QColor& ink) const {
    const QRectF track(8, height() / 2.0 - 8, 30, 16);
    const double on = swing(t);
    const QColor off = UI::mix(ink, Qt::transparent, 0.82);
    painter.setPen(Qt::NoPen);
    painter.setBrush(UI::mix(off, UI::green(), on));
    painter.drawRoundedRect(track, 8, 8);
    painter.setBrush(Qt::white);
    const double x = track.left() + 2 + on * (track.width() - 16);
    painter.drawEllipse(QRectF(x, track.top() + 2, 12, 12));
}

void PermissionHint::paintKey(QPainter& painter, double t, const QColor& ink) const {
    // A keyboard key, drawn as the lessons draw theirs: its base shows below the released cap, and the cap
    // drops onto it and lights up for the middle of the loop, as the key pressed to choose it does.
    const double down = std::clamp(swing(t) * 1.6 - 0.3, 0.0, 1.0);
    constexpr double drop = 2.5;
    const QRectF base(8, 2 + drop, 44, 19);
    QColor edge = ink;
    edge.setAlphaF(0.18f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(edge);
    painter.drawRoundedRect(base, 5, 5);
    const QRectF cap = base.translated(0, -drop * (1 - down));
    painter.setBrush(UI::mix(palette().color(QPalette::Base), UI::accent(palette()), down));
    painter.drawRoundedRect(cap, 5, 5);
    painter.setPen(QPen(UI::stroke(palette()), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(cap.adjusted(0.5, 0.5, -0.5, -0.5), 4.5, 4.5);
    QColor label = ink;
    label.setAlphaF(0.8f);
    painter.setPen(UI::mix(label, UI::onAccent(palette()), down));
    painter.setFont(UI::font(9, QFont::DemiBold));
    painter.drawText(cap, Qt::AlignCenter, QStringLiteral("按一下"));
}

} // namespace mivora
