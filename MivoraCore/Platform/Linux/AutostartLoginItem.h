#pragma once

#include "Platform/LoginItem.h"

#include <QByteArray>
#include <QString>

namespace mivora {

// Launch at login on a freedesktop desktop: an autostart desktop entry in the user's autostart folder
// ("<config home>/autostart/mivora.desktop") whose command is this program. Registered means the entry is
// there, not hidden or switched off, and starts this very executable; an entry left by a copy of the
// program elsewhere reads as not registered and is replaced by the next registration.
class AutostartLoginItem final : public LoginItem {
public:
    // `executable`: the program the entry starts (the running one). `folder`: the autostart folder.
    explicit AutostartLoginItem(QString executable, QString folder = defaultFolder());

    // "$XDG_CONFIG_HOME/autostart" (default "~/.config/autostart").
    static QString defaultFolder();
    QString path() const;
    // The entry that starts `executable`; Failure when no entry can name that path.
    static QByteArray contents(const QString& executable);
    // The program an entry's Exec line starts (its first argument, unquoted), or empty.
    static QString program(const QByteArray& entry);

    Status status() const override;
    void registerItem() override;
    void unregisterItem() override;

private:
    const QString executable_;
    const QString folder_;
};

} // namespace mivora
