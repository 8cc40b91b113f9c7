#include "TrayIcon.h"
#include "MivoraUI/Kit/Wordmark.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSystemTrayIcon>

#include <array>

namespace mivora {

namespace {

// Five bars of a sound wave, centred in a 32-point square.
void drawWave(QPainter& p, const QColor& colour, double scale) {
    const std::array<double, 5> heights = {0.25, 0.55, 0.8, 0.55, 0.25};
    p.setPen(QPen(colour, 2.6 * scale, Qt::SolidLine, Qt::RoundCap));
    for (std::size_t i = 0; i < heights.size(); ++i) {
        const double x = 16 + (double(i) - 2) * 5 * scale;
        const double half = heights[i] * 12 * scale;
        p.drawLine(QPointF(x, 16 - half), QPointF(x, 16 + half));
    }
}

// The look's marks in `ink` on a transparent 64-pixel square (32 points at twice the density).
QPixmap marks(TrayIcon::Look look, const QColor& ink) {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(2, 2);
    switch (look) {
    case TrayIcon::Look::listening:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xFF, 0x45, 0x3A));
        p.drawEllipse(QRectF(2, 2, 28, 28));
        drawWave(p, Qt::white, 0.7);
        break;
    case TrayIcon::Look::processing:
        p.setPen(QPen(ink, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(3, 3, 26, 26));
        drawWave(p, ink, 0.7);
        break;
    case TrayIcon::Look::ready:
        drawWave(p, ink, 1.0);
        break;
    case TrayIcon::Look::notReady: {
        QPainterPath triangle;
        triangle.moveTo(16, 4);
        triangle.lineTo(29, 27);
        triangle.lineTo(3, 27);
        triangle.closeSubpath();
        p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(triangle);
        p.setPen(QPen(ink, 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16, 11.5), QPointF(16, 19));
        p.drawPoint(QPointF(16, 23.5));
        break;
    }
    }
    return pixmap;
}

// The tray's background is the panel's, light or dark, and the icon cannot ask which: light marks inside
// a dark outline read on both.
QPixmap draw(TrayIcon::Look look) {
    const QPixmap outline = marks(look, QColor(0x1C, 0x1C, 0x1E));
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    constexpr int reach = 3; // pixels, 1.5 points
    for (int dx = -reach; dx <= reach; ++dx)
        for (int dy = -reach; dy <= reach; ++dy)
            if (dx * dx + dy * dy <= reach * reach) p.drawPixmap(dx, dy, outline);
    p.drawPixmap(0, 0, marks(look, QColor(0xF2, 0xF2, 0xF2)));
    return pixmap;
}

} // namespace

TrayIcon::TrayIcon(std::function<QList<MenuRow>()> rows, std::function<void(MenuRow::Action)> act,
                   QObject* parent)
    : QObject(parent), rows_(std::move(rows)), act_(std::move(act)), menu_(std::make_unique<QMenu>()),
      icon_(new QSystemTrayIcon(this)) {
    // The icon's window is Qt's own, made when a tray is found (again whenever the tray changes) and left
    // untitled, which X11 then shows under the program's file name: it gets the product's name like every
    // window of the program. The same watch sees the keys pressed in the open menu (`eventFilter`).
    qApp->installEventFilter(this);
    connect(menu_.get(), &QMenu::aboutToShow, this, &TrayIcon::rebuild);
    icon_->setContextMenu(menu_.get());
    icon_->setToolTip(QStringLiteral("Veskel"));
    // A left click opens the same menu, as the right click does.
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) menu_->popup(QCursor::pos());
    });
    icon_->setIcon(icon(look_));
    icon_->show();
}

TrayIcon::~TrayIcon() = default;

bool TrayIcon::eventFilter(QObject* watched, QEvent* event) {
    // The open menu holds the keyboard, and a tray menu belongs to no window whose shortcuts Qt would try:
    // the keys its rows show are matched here.
    if (watched == menu_.get() && event->type() == QEvent::KeyPress)
        return pressKey(*static_cast<QKeyEvent*>(event));
    if (event->type() == QEvent::Show && watched->inherits("QSystemTrayIconSys"))
        if (auto* window = qobject_cast<QWidget*>(watched); window && window->windowTitle().isEmpty())
            window->setWindowTitle(Wordmark::text());
    return QObject::eventFilter(watched, event);
}

bool TrayIcon::pressKey(const QKeyEvent& event) {
    const QKeySequence pressed(
        QKeyCombination(event.modifiers() & ~Qt::KeypadModifier, Qt::Key(event.key())));
    for (QAction* action : menu_->actions()) {
        if (action->shortcut().isEmpty() || action->shortcut() != pressed || !action->isEnabled()) continue;
        // Closed first, as a click on the row closes it, so a window the row opens comes up on top.
        menu_->hide();
        action->trigger();
        return true;
    }
    return false;
}

bool TrayIcon::trayAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QIcon TrayIcon::icon(Look look) {
    return QIcon(draw(look));
}

void TrayIcon::setLook(Look look) {
    if (look == look_) return;
    look_ = look;
    icon_->setIcon(icon(look));
}

void TrayIcon::rebuild() {
    menu_->clear();
    for (const MenuRow& row : rows_()) {
        if (row.separator) {
            menu_->addSeparator();
            continue;
        }
        QAction* action = menu_->addAction(row.title);
        action->setEnabled(row.enabled);
        action->setShortcut(row.key);
        if (row.checked) {
            action->setCheckable(true);
            action->setChecked(*row.checked);
        }
        if (row.action != MenuRow::Action::none)
            connect(action, &QAction::triggered, this, [this, a = row.action] { act_(a); });
    }
}

} // namespace mivora
