#include "DebugChipListener.h"

#include "Platform/TextAccess.h"
#include "Suggest/SuggestController.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QScreen>

namespace mivora {

DebugChipListener::DebugChipListener(SuggestController& suggest, std::function<void(const QString&)> log,
                                     QObject* parent)
    : QObject(parent), suggest_(suggest) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString name = QString::fromLatin1(service);
    if (!bus.isConnected() ||
        !bus.connect(QString(), QString(), name, QString::fromLatin1(member), this, SLOT(received()))) {
        if (log) log(QStringLiteral("会话总线连不上：开发者的测试提示条通知收不到"));
        return;
    }
    // Asked after the match went out on the same connection, so whoever sees the name can send at once.
    // Not waited for: the main thread never blocks on the bus.
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("RequestName"));
    constexpr uint doNotQueue = 4;
    request << name << doNotQueue;
    auto* answer = new QDBusPendingCallWatcher(bus.asyncCall(request), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [log, name](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        constexpr uint primaryOwner = 1;
        const QDBusPendingReply<uint> reply = *call;
        if (log && (reply.isError() || reply.value() != primaryOwner))
            log(QStringLiteral("会话总线上的名字 ") + name + QStringLiteral(" 没拿到：测试提示条只收广播"));
    });
}

QRectF DebugChipListener::caretFor(const QRectF& frame) {
    return {frame.center().x() - 120, frame.center().y(), 1, 16};
}

void DebugChipListener::received() {
    const QScreen* main = QGuiApplication::primaryScreen();
    if (!main) return;
    const QList<QScreen*> screens = QGuiApplication::screens();
    const double firstHeight = screens.isEmpty() ? 0 : screens.first()->geometry().height();
    suggest_.debugShow(caretFor(flipScreenRect(main->geometry(), firstHeight)));
}

} // namespace mivora
