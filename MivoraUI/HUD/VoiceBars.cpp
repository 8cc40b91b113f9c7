#include "MivoraUI/HUD/VoiceBars.h"

#include "MivoraUI/Kit/WindowVisible.h"

#include <QPainter>

#include <chrono>

namespace mivora {

namespace {

double now() {
    using namespace std::chrono;
    // Offset by one second so that no frame ever stamps 0, which the engine reads as "never stepped".
    return duration<double>(steady_clock::now().time_since_epoch()).count() + 1;
}

// The bars of `engine` centred in `box`.
void paintBars(QPainter& painter, const BarsEngine& engine, const QRectF& box) {
    constexpr double barWidth = 3;
    constexpr double gap = 3;
    const double total = BarsEngine::count * barWidth + (BarsEngine::count - 1) * gap;
    double x = box.center().x() - total / 2;
    const double mid = box.center().y();
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < BarsEngine::count; ++i) {
        const double h = engine.heights[i];
        painter.setBrush(QColor::fromRgbF(1, 1, 1, float(std::clamp(engine.alphas[i], 0.0, 1.0))));
        painter.drawRoundedRect(QRectF(x, mid - h / 2, barWidth, h), barWidth / 2, barWidth / 2);
        x += barWidth + gap;
    }
}

} // namespace

VoiceBars::VoiceBars(BarsMode mode, bool reduceMotion, QWidget* parent)
    : QWidget(parent), mode_(mode), reduceMotion_(reduceMotion) {
    setFixedSize(96, 28);
    setAttribute(Qt::WA_TranslucentBackground);
    frames_.setStartValue(0.0);
    frames_.setEndValue(1.0);
    frames_.setDuration(1000);
    frames_.setLoopCount(-1);
    connect(&frames_, &QVariantAnimation::valueChanged, this, [this] { advance(now()); });
}

void VoiceBars::advance(double t) {
    engine_.step(t, level_, mode_, reduceMotion_);
    update();
}

void VoiceBars::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintBars(painter, engine_, rect());
}

void VoiceBars::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateTimer();
}

void VoiceBars::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    updateTimer();
}

bool VoiceBars::event(QEvent* event) {
    if (event->type() == WindowVisible::changedEvent()) updateTimer();
    return QWidget::event(event);
}

void VoiceBars::updateTimer() {
    const bool run = isVisible() && WindowVisible::of(this);
    if (run && frames_.state() != QAbstractAnimation::Running) frames_.start();
    if (!run) frames_.stop();
}

} // namespace mivora
