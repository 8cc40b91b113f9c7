#include "SchemeHandlerEntry.h"
#include "Platform/Linux/DesktopEntry.h"

#include "Account/AccountService.h"
#include "SingleInstance.h"
#include "Support/AppLog.h"
#include "Support/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>

namespace mivora::SchemeHandlerEntry {

namespace {

// A desktop entry's Exec argument in double quotes, with its four reserved characters escaped.
bool writeIfChanged(const QString& path, const QByteArray& wanted) {
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == wanted) return true;
    existing.close();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    AtomicFile::removeStale(QFileInfo(path).absolutePath()); // what a killed start left half-way
    return bool(AtomicFile::write(path, wanted));
}

// `list` (the user's mimeapps.list) with this entry as the default for each scheme; every other line kept.
QByteArray withDefaults(const QByteArray& list) {
    const QByteArray section = "[Default Applications]";
    QList<QByteArray> lines = list.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    qsizetype at = lines.indexOf(section);
    if (at < 0) {
        lines.append(section);
        at = lines.size() - 1;
    }
    qsizetype end = at + 1;
    while (end < lines.size() && !lines[end].startsWith('['))
        ++end;
    for (const QString& scheme : schemes()) {
        const QByteArray key = "x-scheme-handler/" + scheme.toUtf8() + '=';
        const QByteArray line = key + QFileInfo(path()).fileName().toUtf8();
        const auto old = std::find_if(lines.begin() + at + 1, lines.begin() + end,
                                      [&](const QByteArray& l) { return l.startsWith(key); });
        if (old != lines.begin() + end)
            *old = line;
        else
            lines.insert(end++, line);
    }
    return lines.join('\n') + '\n';
}

} // namespace

QStringList schemes() {
    return {AccountService::AppleWebLogin::callbackScheme, AccountService::googleScheme};
}

QString path() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/applications/mivora-signin.desktop");
}

std::optional<QByteArray> contents(const QString& executable) {
    QString mime;
    for (const QString& scheme : schemes())
        mime += QStringLiteral("x-scheme-handler/") + scheme + ';';
    const std::optional<QString> exec = DesktopEntry::exec(executable, {QStringLiteral("%u")});
    if (!exec) return std::nullopt;
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Mivora 登录\n"
                          "Exec=%1\n"
                          "NoDisplay=true\n"
                          "Terminal=false\n"
                          "MimeType=%2\n")
        .arg(*exec, mime)
        .toUtf8();
}

QString defaultsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/mimeapps.list");
}

bool install(const QString& executable) {
    const std::optional<QByteArray> entry = contents(executable);
    if (!entry || !writeIfChanged(path(), *entry)) return false;
    // The desktop asks this list first: without a default it may not look at the entry at all. The list is
    // the user's, with every other program's defaults in it: one that is there but cannot be read (left
    // behind by a tool run as another user) is not taken for an empty one and written over.
    QFile list(defaultsPath());
    if (!list.open(QIODevice::ReadOnly)) {
        if (!list.exists()) return writeIfChanged(defaultsPath(), withDefaults({}));
        AppLog::write(QStringLiteral("%1 读不出来（%2），没有改它：浏览器登录后可能回不到 Mivora")
                          .arg(defaultsPath(), list.errorString()));
        return false;
    }
    return writeIfChanged(defaultsPath(), withDefaults(list.readAll()));
}

std::optional<QUrl> callbackIn(const QStringList& arguments) {
    if (arguments.size() != 2) return std::nullopt;
    const QUrl url(arguments[1], QUrl::StrictMode);
    if (!url.isValid() || !schemes().contains(url.scheme(), Qt::CaseInsensitive)) return std::nullopt;
    return url;
}

int handOver(const QUrl& url, const SingleInstance::Places& places) {
    SingleInstance instance(places);
    QtScheduler pauses;
    const SingleInstance::Delivery delivery = QCoro::waitFor(instance.askRunningToOpen(url, pauses));
    for (const QString& note : instance.notes())
        AppLog::write(note);
    switch (delivery) {
    case SingleInstance::Delivery::taken:
        return 0;
    case SingleInstance::Delivery::nowhere:
        std::fputs(
            "Mivora 在运行（它占着单实例锁），但在它能监听的地方都连不上它，登录结果没有送到：它可能在另一台"
            "共用这个主文件夹的电脑上运行，或者没能建起监听（它的日志里说了原因）\n",
            stderr);
        AppLog::write(QStringLiteral("连不上正在运行的 Mivora，登录结果没有送到"));
        return 1;
    case SingleInstance::Delivery::unknown:
        // Nobody answered where the running program listens; the lock's trouble is said first, as its own.
        std::fputs(qPrintable(instance.lockProblem() + '\n'), stderr);
        AppLog::write(instance.lockProblem() + QStringLiteral("，登录结果没有送到"));
        [[fallthrough]];
    case SingleInstance::Delivery::notRunning:
        std::fputs("Mivora 没在运行，登录结果没有送到：重新打开 Mivora 再登录一次\n", stderr);
        return 1;
    case SingleInstance::Delivery::noAnswer:
        break;
    }
    // It may still take the request once it goes on: say so rather than that it was lost.
    std::fputs("Mivora 在运行，但一直没有回应，登录结果可能没有送到：如果 Mivora 里还没登录上，再登录一次\n",
               stderr);
    return 1;
}

} // namespace mivora::SchemeHandlerEntry
