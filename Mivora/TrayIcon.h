#pragma once

#include "MenuRows.h"

#include <QIcon>
#include <QObject>

#include <functional>
#include <memory>

class QKeyEvent;
class QMenu;
class QSystemTrayIcon;

namespace mivora {

// The program's one presence on the desktop: an icon in the system tray whose menu is rebuilt from rows
// each time it opens. Where the desktop has no tray, the icon waits unseen for one to appear.
class TrayIcon final : public QObject {
    Q_OBJECT
public:
    // What the icon says at a glance.
    enum class Look { listening, processing, ready, notReady };

    // `rows` is asked just before the menu opens; `act` runs the chosen row's action.
    TrayIcon(std::function<QList<MenuRow>()> rows, std::function<void(MenuRow::Action)> act,
             QObject* parent = nullptr);
    ~TrayIcon() override;

    // Whether the desktop shows tray icons at all.
    static bool trayAvailable();
    // Our own drawing of each look (no icon theme has them).
    static QIcon icon(Look look);

    void setLook(Look look);
    Look look() const { return look_; }
    QMenu& menu() { return *menu_; }
    // Rebuilds the menu from the rows (what opening it does first).
    void rebuild();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A key pressed while the menu is open: the enabled row showing it runs, and the menu closes.
    bool pressKey(const QKeyEvent& event);

    std::function<QList<MenuRow>()> rows_;
    std::function<void(MenuRow::Action)> act_;
    std::unique_ptr<QMenu> menu_;
    QSystemTrayIcon* icon_;
    Look look_ = Look::notReady;
};

} // namespace mivora
