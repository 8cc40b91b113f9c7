// The browser's way back into the program: a callback URL of the Apple or the Google sign-in. Whatever the
// URL, the sign-in ends as a slow reading of the rules says: a wrong scheme or state, an unknown error or
// no code is badResponse; the named errors are theirs; only a callback that passes every check goes on to
// the exchange (which, with no server here, fails as not configured or unreachable).
#include "Account/AccountError.h"
#include "Account/SignInCancelled.h"
#include "FuzzAccount.h"
#include "RoundTrip.h"

#include <QCoro/QCoroTask>

using namespace mivora;

namespace {

enum class Outcome { badResponse, cancelled, expired, unavailable, exchanged, other };

const QString state = QStringLiteral("S");

// The query items as written, split by hand: "&" between items, the first "=" between name and value,
// empty items skipped; the first of a repeated name counts.
std::optional<QHash<QString, QString>> itemsOf(const QUrl& url) {
    if (!url.hasQuery()) return std::nullopt;
    QHash<QString, QString> items;
    for (const QByteArray& item : url.query(QUrl::FullyEncoded).toLatin1().split('&')) {
        if (item.isEmpty()) continue;
        const qsizetype eq = item.indexOf('=');
        const QString name = QUrl::fromPercentEncoding(eq < 0 ? item : item.left(eq));
        const QString value = eq < 0 ? QString() : QUrl::fromPercentEncoding(item.mid(eq + 1));
        if (!items.contains(name)) items.insert(name, value);
    }
    return items;
}

Outcome expected(const QUrl& url, bool google) {
    const QString scheme =
        google ? AccountService::googleScheme : AccountService::AppleWebLogin::callbackScheme;
    if (url.scheme().isEmpty() || url.scheme().compare(scheme, Qt::CaseInsensitive) != 0)
        return Outcome::badResponse;
    const auto items = itemsOf(url);
    if (!items || items->isEmpty() || !items->contains("state") || items->value("state") != state)
        return Outcome::badResponse;
    const auto error = items->constFind("error");
    if (google) {
        if (error != items->cend() && *error == "access_denied") return Outcome::cancelled;
    } else if (error != items->cend()) {
        if (*error == "cancelled") return Outcome::cancelled;
        if (*error == "expired") return Outcome::expired;
        if (*error == "unavailable") return Outcome::unavailable;
        return Outcome::badResponse;
    }
    return items->value("code").isEmpty() ? Outcome::badResponse : Outcome::exchanged;
}

Outcome actual(QCoro::Task<> task, AccountError::Kind exchanged) {
    const std::exception_ptr error = fuzz::run(std::move(task));
    if (!error) return Outcome::other; // signed in without a server
    try {
        std::rethrow_exception(error);
    } catch (const SignInCancelled&) {
        return Outcome::cancelled;
    } catch (const AccountError& e) {
        if (e.kind() == exchanged) return Outcome::exchanged;
        if (e.kind() == AccountError::Kind::badResponse) return Outcome::badResponse;
        if (e.kind() == AccountError::Kind::expired) return Outcome::expired;
        if (e.kind() == AccountError::Kind::unavailable) return Outcome::unavailable;
    } catch (...) {
    }
    return Outcome::other;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzz::bytes(data, size);
    fuzz::AccountRig rig(std::nullopt);
    for (const QUrl& url : {QUrl::fromEncoded(bytes), QUrl(QString::fromUtf8(bytes))}) {
        const AccountService::AppleWebLogin apple{state, QStringLiteral("verifier"), QUrl()};
        const Outcome a = actual(rig.account.finishAppleWeb(url, apple), AccountError::Kind::notConfigured);
        fuzz::require(a == expected(url, false), "apple callback judged otherwise", url.toEncoded());

        // Google's token endpoint is one no request can reach: a callback that passes fails as offline.
        const AccountService::GoogleLogin google{state, QStringLiteral("verifier"),
                                                 AccountService::googleScheme + ":/oauth2redirect", QUrl()};
        const Outcome g =
            actual(rig.account.finishGoogle(url, google, QUrl(QStringLiteral("fuzz-none:token"))),
                   AccountError::Kind::offline);
        fuzz::require(g == expected(url, true), "google callback judged otherwise", url.toEncoded());
        fuzz::require(!rig.account.signedIn(), "signed in without a server");
    }
    return 0;
}
