// The account service against a scripted server: the input picks the stored tokens, a run of operations
// and the answer to every request they send. Whatever the answers, the requests sent, the tokens stored
// and the results agree: the store holds exactly the published tokens, a signed-in account has an access
// token, every request carries the device and JSON headers, a refresh sends a refresh token the client was
// given and an authorised request a bearer it was given, an authorised operation costs at most one refresh
// and one repeat, a sign-out always signs out, and a failed sign-in or refresh leaves the tokens as they were
// unless the server refused the account.
#include "Account/AccountError.h"
#include "FuzzAccount.h"
#include "RoundTrip.h"

#include <QCoro/QCoroTask>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>

#include <deque>

using namespace mivora;

namespace {

struct Sent {
    QByteArray method, path, body;
    QHash<QByteArray, QByteArray> headers; // lower-case names
};

struct Reply {
    int status = 200; // 0: the connection drops
    QByteArray body;
};

// Answers each request with the next scripted reply (500 when the script has run out).
class ScriptedServer {
public:
    ScriptedServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { read(socket); });
            }
        });
    }
    QUrl base() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/v1").arg(server_.serverPort())); }

    std::deque<Reply> script;
    QList<Sent> sent;

private:
    void read(QTcpSocket* socket) {
        QByteArray& buffer = buffers_[socket];
        buffer += socket->readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0) return;
        Sent request;
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.path = first.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers[lines[i].left(colon).trimmed().toLower()] = lines[i].mid(colon + 1).trimmed();
        }
        const qsizetype length = request.headers.value("content-length").toLongLong();
        if (buffer.size() < end + 4 + length) return;
        request.body = buffer.mid(end + 4, length);
        buffers_.remove(socket);
        sent.append(request);
        Reply reply{500, "{}"};
        if (!script.empty()) reply = script.front(), script.pop_front();
        if (reply.status == 0) return socket->abort();
        socket->write("HTTP/1.1 " + QByteArray::number(reply.status) +
                      " Scripted\r\nConnection: close\r\nContent-Type: application/json\r\nContent-Length: " +
                      QByteArray::number(reply.body.size()) + "\r\n\r\n" + reply.body);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    QHash<QTcpSocket*, QByteArray> buffers_;
};

ScriptedServer* server = nullptr;

// The input, read front to back; zeros once it runs out.
struct Input {
    const uint8_t* data;
    size_t size;
    int byte() { return size ? (--size, *data++) : 0; }
    QByteArray chunk() {
        const size_t n = std::min<size_t>(size, size_t(byte() % 48));
        const QByteArray out(reinterpret_cast<const char*>(data), qsizetype(n));
        data += n, size -= n;
        return out;
    }
};

int issued = 0;

QByteArray loginReply(Input& in) {
    ++issued;
    QJsonObject o{{"accessToken", QStringLiteral("at-%1").arg(issued)},
                  {"refreshToken", QStringLiteral("rt-%1").arg(issued)},
                  {"expiresIn", in.byte() % 2 ? 3600 : 30}};
    switch (in.byte() % 5) {
    case 0:
        o.insert("user", QJsonObject{{"id", "u1"}, {"email", "ann@example.com"}});
        break;
    case 1:
        o.insert("user", QJsonObject{{"id", ""}});
        break;
    case 2:
        o.insert("accessToken", "");
        break;
    case 3:
        o.remove("expiresIn");
        break;
    default:
        break;
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

Reply replyFrom(Input& in) {
    static const int statuses[] = {200, 200, 200, 204, 400, 401, 403, 404, 409, 429, 500, 0};
    Reply reply{statuses[in.byte() % std::size(statuses)], {}};
    switch (in.byte() % 5) {
    case 0:
        reply.body = loginReply(in);
        break;
    case 1:
        reply.body = R"({"version": 3, "blob": "b", "wrappedKey": "k"})";
        break;
    case 2:
        reply.body = R"({"version": 4})";
        break;
    case 3:
        reply.body = in.chunk();
        break;
    default:
        reply.body = "{}";
        break;
    }
    return reply;
}

std::optional<AccountError::Kind> run(QCoro::Task<> task) {
    const std::exception_ptr error = fuzz::run(std::move(task));
    if (!error) return std::nullopt;
    try {
        std::rethrow_exception(error);
    } catch (const AccountError& e) {
        return e.kind();
    } catch (...) {
        return AccountError::Kind::badResponse; // a JSON error of a vault reply: the same for this check
    }
    return std::nullopt;
}

// What the client may send as a refresh token or a bearer: what it held, or what a reply gave it.
QSet<QString> known(const std::optional<AccountTokens>& tokens, bool access) {
    QSet<QString> out;
    if (tokens) out.insert(access ? tokens->accessToken : tokens->refreshToken);
    for (int i = 1; i <= issued; ++i)
        out.insert(QString::fromLatin1(access ? "at-%1" : "rt-%1").arg(i));
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::startApplication();
    server = new ScriptedServer;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{data, size};
    server->script.clear();
    issued = 0;
    std::optional<AccountTokens> stored;
    const fuzz::FixedClock clock;
    if (const int start = in.byte() % 3)
        stored = AccountTokens{"at-0", "rt-0",       clock.now().addSecs(start == 1 ? 3600 : 10),
                               "u0",   std::nullopt, "email"};
    fuzz::AccountRig rig(server->base(), stored);
    AccountService& account = rig.account;
    QCoro::waitFor(account.restore());

    for (int step = 0; step < 4 && in.size; ++step) {
        const int op = in.byte() % 7;
        for (int i = in.byte() % 4; i > 0; --i)
            server->script.push_back(replyFrom(in));
        const std::optional<AccountTokens> before = account.tokens();
        server->sent.clear();
        std::optional<AccountError::Kind> error;
        std::optional<QString> token;
        switch (op) {
        case 0:
            error = run(account.verifyEmail("ann@example.com", "123456"));
            break;
        case 1:
            token = QCoro::waitFor(account.validAccessToken());
            break;
        case 2:
            error = run(account.refreshNow());
            break;
        case 3:
            error = run([&]() -> QCoro::Task<> { co_await account.vaultGet(); }());
            break;
        case 4:
            error = run([&]() -> QCoro::Task<> { co_await account.vaultPut("b", "k", 2); }());
            break;
        case 5:
            QCoro::waitFor(account.signOut());
            break;
        default:
            error = run(account.deleteAccount());
            break;
        }
        server->script.clear();

        fuzz::require(rig.store.value == account.tokens(), "the store holds other tokens than the published");
        fuzz::require(!account.tokens() || !account.tokens()->accessToken.isEmpty(),
                      "signed in without a bearer");
        const QSet<QString> refreshTokens = known(before, false), accessTokens = known(before, true);
        int refreshes = 0, authorised = 0;
        for (const Sent& s : server->sent) {
            fuzz::require(s.headers.value("content-type") == "application/json" &&
                              !s.headers.value("x-yarrik-device").isEmpty(),
                          "a request without its headers", s.path);
            const QJsonObject body = QJsonDocument::fromJson(s.body).object();
            if (s.path == "/v1/auth/refresh") {
                ++refreshes;
                fuzz::require(refreshTokens.contains(body.value("refreshToken").toString()),
                              "a refresh with a token nobody gave", s.body);
            } else if (s.path == "/v1/vault" || s.path == "/v1/account") {
                ++authorised;
                const QByteArray bearer = s.headers.value("authorization");
                fuzz::require(bearer.startsWith("Bearer ") &&
                                  accessTokens.contains(QString::fromUtf8(bearer.mid(7))),
                              "an authorised request with a bearer nobody gave", bearer);
                if (op == 4) fuzz::require(s.headers.value("if-match") == "2", "a write without its version");
            }
        }
        // Each request goes out exactly once, a dropped connection included: a refresh before the request and
        // one after its bearer is refused, the request and its one repeat.
        fuzz::require(refreshes <= 2 && authorised <= 2, "more than one refresh and one repeat");
        switch (op) {
        case 0:
            if (!error)
                fuzz::require(account.tokens() && account.tokens()->method == "email",
                              "a sign-in that signed no one in");
            else
                fuzz::require(account.tokens() == before, "a failed sign-in changed the tokens");
            break;
        case 1:
            fuzz::require(!token || (account.tokens() && *token == account.tokens()->accessToken),
                          "a handed-out token that is not the account's");
            break;
        case 2:
            // A refresh keeps who signed in and how; its pair is the one the server just issued.
            if (!error)
                fuzz::require(before && account.tokens() && account.tokens()->method == before->method &&
                                  account.tokens()->refreshToken != before->refreshToken &&
                                  (before->userID.isEmpty() || !account.tokens()->userID.isEmpty()) &&
                                  refreshes >= 1,
                              "a refresh that did not take the new pair for the same account");
            if (error && *error != AccountError::Kind::accountGone)
                fuzz::require(account.tokens() == before, "a failed refresh changed the tokens");
            if (error == AccountError::Kind::accountGone)
                fuzz::require(account.tokens() == before || !account.tokens(),
                              "a lost account kept other tokens");
            break;
        case 5:
            fuzz::require(!account.signedIn() && !rig.store.value, "a sign-out that kept the account");
            break;
        case 6:
            if (!error) fuzz::require(!account.signedIn(), "a deleted account still signed in");
            break;
        default:
            break;
        }
    }
    return 0;
}
