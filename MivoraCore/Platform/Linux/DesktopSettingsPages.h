#pragma once

#include "Platform/SettingsPages.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace mivora {

// Opens the settings application of the running desktop (GNOME, KDE Plasma, Xfce) on the page that
// matches; on other desktops only a mixer for the microphone, if one is installed.
class DesktopSettingsPages final : public SettingsPages {
public:
    // Full path of an installed program, or empty.
    using Finder = std::function<QString(const QString& program)>;
    // Starts a program detached; false when it could not be started.
    using Launcher = std::function<bool(const QString& program, const QStringList& arguments)>;

    DesktopSettingsPages(); // XDG_CURRENT_DESKTOP, the PATH, QProcess::startDetached
    DesktopSettingsPages(QString desktop, Finder find, Launcher launch);

    bool open(Page page) override;

    // The program and arguments that open `page` on `desktop` (XDG_CURRENT_DESKTOP, e.g.
    // "ubuntu:GNOME"); empty when there is none.
    static QStringList command(const QString& desktop, Page page, const Finder& find);

private:
    QString desktop_;
    Finder find_;
    Launcher launch_;
};

} // namespace mivora
