#include "Platform/Linux/AutostartLoginItem.h"

#include "Platform/Linux/DesktopEntry.h"
#include "Support/AtomicFile.h"

#include <QFile>
#include <QHash>
#include <QStandardPaths>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace mivora {

namespace {

const QString entryName = QStringLiteral("mivora.desktop");

// The keys of the "[Desktop Entry]" group, later lines winning.
QHash<QString, QString> entryKeys(const QByteArray& entry) {
    QHash<QString, QString> keys;
    bool inGroup = false;
    for (const QByteArray& raw : entry.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith('[')) {
            inGroup = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (!inGroup || line.startsWith('#') || eq <= 0) continue;
        keys.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return keys;
}

} // namespace

AutostartLoginItem::AutostartLoginItem(QString executable, QString folder)
    : executable_(std::move(executable)), folder_(std::move(folder)) {}

QString AutostartLoginItem::defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

QString AutostartLoginItem::path() const {
    return folder_ + '/' + entryName;
}

QByteArray AutostartLoginItem::contents(const QString& executable) {
    const std::optional<QString> exec = DesktopEntry::exec(executable);
    if (!exec)
        throw Failure(
            QStringLiteral("程序的路径里有控制字符，写不进自动启动的文件：把程序挪到别的文件夹再打开"));
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Veskel\n"
                          "Comment=登录后在后台待命\n"
                          "Exec=%1\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(*exec)
        .toUtf8();
}

QString AutostartLoginItem::program(const QByteArray& entry) {
    return DesktopEntry::program(entryKeys(entry).value(QStringLiteral("Exec")));
}

LoginItem::Status AutostartLoginItem::status() const {
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly)) return Status::notRegistered;
    const QByteArray entry = file.readAll();
    const QHash<QString, QString> keys = entryKeys(entry);
    // Either key switches an entry off without removing it.
    if (keys.value(QStringLiteral("Hidden")) == QStringLiteral("true")) return Status::notRegistered;
    if (keys.value(QStringLiteral("X-GNOME-Autostart-enabled")) == QStringLiteral("false"))
        return Status::notRegistered;
    return program(entry) == executable_ ? Status::enabled : Status::notRegistered;
}

void AutostartLoginItem::registerItem() {
    const QByteArray wanted = contents(executable_);
    AtomicFile::removeStale(folder_); // what a killed write left half-way
    std::error_code made;
    std::filesystem::create_directories(QFile::encodeName(folder_).toStdString(), made);
    AtomicFile::Failure failure = AtomicFile::Failure::none;
    if (made)
        failure = made == std::errc::no_space_on_device || made.value() == EDQUOT
                      ? AtomicFile::Failure::diskFull
                      : AtomicFile::Failure::other;
    else
        failure = AtomicFile::write(path(), wanted).failure;
    // A full disk is the user's to mend, and nothing else about the desktop needs changing.
    if (failure == AtomicFile::Failure::diskFull)
        throw Failure(QStringLiteral("磁盘满了，自动启动的文件写不进去（%1）：空出地方后再试").arg(path()));
    if (failure != AtomicFile::Failure::none)
        throw Failure(QStringLiteral("自动启动的文件写不进去（%1）").arg(path()));
}

void AutostartLoginItem::unregisterItem() {
    QFile file(path());
    if (file.exists() && !file.remove())
        throw Failure(QStringLiteral("自动启动的文件删不掉（%1）").arg(path()));
}

} // namespace mivora
