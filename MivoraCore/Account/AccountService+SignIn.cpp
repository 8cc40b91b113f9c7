#include "Account/AccountService.h"

#include "Account/AccountError.h"
#include "Account/TokenStore.h"
#include "Support/AppLog.h"

#include <QJsonDocument>

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <openssl/rand.h>

#include <memory>

namespace mivora {

namespace {

[[noreturn]] void badResponse() {
    throw AccountError(AccountError::Kind::badResponse);
}

} // namespace

AccountService::LoginReply AccountService::LoginReply::read(const QByteArray& body) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) badResponse();
    const QJsonObject o = document.object();
    const QJsonValue access = o.value(QStringLiteral("accessToken"));
    const QJsonValue refresh = o.value(QStringLiteral("refreshToken"));
    const QJsonValue expiresIn = o.value(QStringLiteral("expiresIn"));
    if (!access.isString() || !refresh.isString() || !expiresIn.isDouble()) badResponse();
    // An empty access token would sign the user in with a bearer no request can use.
    if (access.toString().isEmpty()) badResponse();
    LoginReply reply{access.toString(), refresh.toString(), expiresIn.toDouble(), std::nullopt};
    const QJsonValue user = o.value(QStringLiteral("user"));
    if (user.isUndefined() || user.isNull()) return reply;
    if (!user.isObject()) badResponse();
    const QJsonValue id = user.toObject().value(QStringLiteral("id"));
    const QJsonValue email = user.toObject().value(QStringLiteral("email"));
    if (!id.isString() || !(email.isString() || email.isNull() || email.isUndefined())) badResponse();
    reply.user = User{id.toString(), email.isString() ? std::optional(email.toString()) : std::nullopt};
    return reply;
}

QCoro::Task<> AccountService::startEmail(QString email) {
    // Requests are built before they are awaited: GCC 12 mishandles braced temporaries inside co_await
    // expressions (it destroys them twice).
    const Request request{QStringLiteral("auth/email/start"), "POST",
                          QJsonObject{{QStringLiteral("email"), email}}};
    co_await call(request);
}

QCoro::Task<> AccountService::verifyEmail(QString email, QString code) {
    const Request request{QStringLiteral("auth/email/verify"), "POST",
                          QJsonObject{{QStringLiteral("email"), email}, {QStringLiteral("code"), code}}};
    QByteArray body;
    try {
        body = co_await call(request);
    } catch (const AccountError& e) {
        if (e == AccountError::http(400) || e.kind() == AccountError::Kind::signedOut)
            throw AccountError(AccountError::Kind::badCode);
        throw;
    }
    const LoginReply reply = LoginReply::read(body);
    const AccountTokens tokens{reply.accessToken,
                               reply.refreshToken,
                               expiryIn(reply.expiresIn),
                               reply.user ? reply.user->id : QString(),
                               reply.user && reply.user->email ? *reply.user->email : email,
                               QStringLiteral("email")};
    co_await adopt(tokens);
}

QCoro::Task<> AccountService::adopt(AccountTokens tokens) {
    const quint64 epoch = ++epoch_;
    co_await store_->save(tokens);
    if (epoch != epoch_) co_return; // signed out (or in again) while saving
    const QString method = tokens.method;
    publish(std::move(tokens));
    AppLog::write(QStringLiteral("已登录（") + method + QStringLiteral("）"));
}

bool AccountService::looksLikeEmail(const QString& text) {
    // ICU's engine, so \s is Unicode white space as everywhere else in the program (an ideographic or
    // no-break space is white space, U+180E is not) and a lone surrogate is a character like any other.
    // `matches` asks for the whole text, so a trailing line break is not allowed before the end either.
    static const std::unique_ptr<icu::RegexPattern> pattern = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::RegexPattern> p(
            icu::RegexPattern::compile(icu::UnicodeString(u"^[^@\\s]+@[^@\\s]+\\.[^@\\s]{2,}$"), 0, status));
        if (U_FAILURE(status)) p.reset();
        return p;
    }();
    if (!pattern) return false;
    const icu::UnicodeString input(reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()));
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(input, status));
    if (U_FAILURE(status)) return false;
    const bool whole = matcher->matches(status);
    return U_SUCCESS(status) && whole;
}

std::optional<QString> AccountService::randomURLSafe(int count) {
    QByteArray bytes(std::max(count, 0), Qt::Uninitialized);
    if (!bytes.isEmpty() &&
        RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), int(bytes.size())) != 1)
        return std::nullopt;
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

} // namespace mivora
