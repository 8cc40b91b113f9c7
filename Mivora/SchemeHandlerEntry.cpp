#include "SchemeHandlerEntry.h"

#include "Account/AccountService.h"
#include "SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdio>

namespace mivora::SchemeHandlerEntry {

namespace {

// A desktop entry's Exec argument in double quotes, with its four reserved characters escaped.
QString quoted(QString argument) {
    for (const char* c : {"\\", "\"", "`", "$"})
        argument.replace(QLatin1String(c), QLatin1String("\\") + QLatin1String(c));
    return '"' + argument + '"';
}

} // namespace

QStringList schemes() {
    return {AccountService::AppleWebLogin::callbackScheme, AccountService::googleScheme};
}

QString path() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/applications/mivora-signin.desktop");
}

QByteArray contents(const QString& executable) {
    QString mime;
    for (const QString& scheme : schemes())
        mime += QStringLiteral("x-scheme-handler/") + scheme + ';';
    // Desktop entries escape a backslash once more in the value itself.
    const QString exec = quoted(executable).replace(QLatin1String("\\"), QLatin1String("\\\\"));
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Mivora 登录\n"
                          "Exec=%1 %u\n"
                          "NoDisplay=true\n"
                          "Terminal=false\n"
                          "MimeType=%2\n")
        .arg(exec, mime)
        .toUtf8();
}

bool install(const QString& executable) {
    const QByteArray wanted = contents(executable);
    QFile existing(path());
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == wanted) return true;
    existing.close();
    if (!QDir().mkpath(QFileInfo(path()).absolutePath())) return false;
    QSaveFile file(path());
    return file.open(QIODevice::WriteOnly) && file.write(wanted) == wanted.size() && file.commit();
}

std::optional<QUrl> callbackIn(const QStringList& arguments) {
    if (arguments.size() != 2) return std::nullopt;
    const QUrl url(arguments[1], QUrl::StrictMode);
    if (!url.isValid() || !schemes().contains(url.scheme(), Qt::CaseInsensitive)) return std::nullopt;
    return url;
}

int handOver(const QUrl& url, const QString& socketPath) {
    SingleInstance instance(socketPath);
    if (QCoro::waitFor(instance.askRunningToOpen(url))) return 0;
    std::fputs("Mivora 没在运行，登录结果没有送到：重新打开 Mivora 再登录一次\n", stderr);
    return 1;
}

} // namespace mivora::SchemeHandlerEntry
