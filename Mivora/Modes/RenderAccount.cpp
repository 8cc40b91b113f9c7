#include "Modes/RenderScreens.h"

#include "Account/AccountService.h"
#include "Account/InMemoryKeyStore.h"
#include "Account/MemorySync.h"
#include "Account/MemoryTokenStore.h"
#include "Memories/MemoryStore.h"
#include "MivoraUI/Account/AccountSection.h"
#include "MivoraUI/Kit/Card.h"
#include "MivoraUI/Model/AppModel.h"
#include "Modes/Renderer.h"
#include "Platform/Platform.h"
#include "Support/Clock.h"
#include "Support/HttpClient.h"

#include <QCoro/QCoroTask>
#include <QLineEdit>
#include <QTcpServer>
#include <QTcpSocket>

namespace mivora {

namespace {

// Answers every request on 127.0.0.1 with an empty 200, so the block can be drawn after a code was sent
// without any account server.
class Acknowledger final : public QTcpServer {
public:
    Acknowledger() {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    if (!socket->readAll().contains("\r\n\r\n")) return;
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 2\r\n"
                                  "Connection: close\r\n\r\n{}");
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QUrl base() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/v1/").arg(serverPort())); }
};

} // namespace

void RenderScreens::account() {
    const AppModel::Environment& env = model.environment();
    HttpClient network(scheduler);
    Acknowledger server;
    const auto block = [&](AccountService* account, MemorySync* sync) {
        return new Card(new AccountSection(AccountSection::Parts{account, sync, nullptr, clock, scheduler,
                                                                 env.platform.pasteboard()}),
                        14, 16);
    };
    const QSize size(560, 0);
    const int fade = 400; // the block fades in each view it shows

    MemoryTokenStore none;
    AccountService unconfigured(std::nullopt, none, network, defaults, clock);
    renderer.shoot(
        "account-not-configured", [&] { return block(&unconfigured, nullptr); }, size, fade);

    AccountService signedOut(server.base(), none, network, defaults, clock);
    renderer.shoot(
        "account-email-step", [&] { return block(&signedOut, nullptr); }, size, fade);
    renderer.shoot(
        "account-code-step",
        [&] {
            QWidget* card = block(&signedOut, nullptr);
            auto* section = card->findChild<AccountSection*>();
            for (QLineEdit* field : section->findChildren<QLineEdit*>())
                if (field->accessibleName() == QStringLiteral("邮箱")) field->setText("ruoxi@example.com");
            section->sendCode();
            Renderer::until([&] { return section->content() == AccountSection::Content::codeStep; });
            return card;
        },
        size, fade);

    MemoryTokenStore stored(AccountTokens{"access", "refresh", clock.now().addDays(1), "u1",
                                          QStringLiteral("ruoxi@example.com"), "email"});
    AccountService signedIn(server.base(), stored, network, defaults, clock);
    QCoro::waitFor(signedIn.restore());
    InMemoryKeyStore keys;
    MemorySync sync(signedIn, model.memories(), keys, clock, scheduler);
    using State = MemorySync::State;
    const std::pair<const char*, State> states[] = {
        {"account-sync-off", State::of(State::Kind::off)},
        {"account-sync-unavailable", State::of(State::Kind::unavailable)},
        {"account-sync-syncing", State::of(State::Kind::syncing)},
        {"account-sync-synced", State::synced(clock.now().addSecs(-180))},
        {"account-sync-recovery-code", State::showRecoveryCode("7KQ2M-9XWHT-C4RNB-E8PJ5-VG6D3Z")},
        {"account-sync-needs-code", State::of(State::Kind::needsRecoveryCode)},
        {"account-sync-failed", State::failed("连不上网络，检查一下网络再试。")},
    };
    for (const auto& [name, state] : states) {
        sync.preview(state);
        renderer.shoot(
            name, [&] { return block(&signedIn, &sync); }, size, fade);
    }
}

} // namespace mivora
