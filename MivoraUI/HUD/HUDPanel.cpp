#include "MivoraUI/HUD/HUDPanel.h"

#include "MivoraUI/HUD/HUDView.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>

namespace mivora {

HUDPanel::HUDPanel(const HUDOptions& options, bool composited, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint |
                          Qt::WindowTransparentForInput),
      composited_(composited) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(HUDView::windowSize);
    view_ = new HUDView(options, this);
    connect(view_, &HUDView::pillRectChanged, this, [this] { cutToPill(); });
    cutToPill();
}

void HUDPanel::setState(const VoicePhase& phase, VoiceMode mode, float level) {
    view_->setState(phase, mode, level);
}

std::optional<QPoint> HUDPanel::origin(const QList<Screen>& screens, qsizetype fallback, QPoint mouse) {
    const Screen* chosen = nullptr;
    for (const Screen& s : screens) {
        if (s.geometry.contains(mouse)) {
            chosen = &s;
            break;
        }
    }
    if (!chosen && fallback >= 0 && fallback < screens.size()) chosen = &screens[fallback];
    if (!chosen) return std::nullopt;
    const QRect& v = chosen->available;
    const QSize size = HUDView::windowSize;
    // The area's bottom edge is y + height (QRect::bottom() is one pixel inside it).
    return QPoint(v.x() + v.width() / 2 - size.width() / 2, v.y() + v.height() - 10 - size.height());
}

void HUDPanel::place() {
    QList<Screen> screens;
    qsizetype primary = -1;
    const QList<QScreen*> all = QGuiApplication::screens();
    for (QScreen* s : all) {
        if (s == QGuiApplication::primaryScreen()) primary = screens.size();
        screens.append({s->geometry(), s->availableGeometry()});
    }
    if (const auto at = origin(screens, primary, QCursor::pos())) move(*at);
}

void HUDPanel::cutToPill() {
    if (composited_) return;
    // The pill as drawn at this moment of its pose, so a pill springing past its size is not cut.
    const QRectF posed = view_->posedPillRect();
    const double radius = std::min(20.0, posed.height() / 2);
    QPainterPath shape;
    shape.addRoundedRect(posed, radius, radius);
    setMask(QRegion(shape.toFillPolygon().toPolygon()) & rect());
}

} // namespace mivora
