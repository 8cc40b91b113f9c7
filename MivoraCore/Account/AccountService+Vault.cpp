#include "Account/AccountService.h"

#include "Account/AccountError.h"
#include "Support/JsonParseError.h"
#include "Support/JsonRead.h"

#include <QJsonDocument>

namespace mivora {

namespace {

QJsonObject replyObject(const QByteArray& body) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError) throw JsonParseError(error.errorString());
    if (!document.isObject()) throw AccountError(AccountError::Kind::badResponse);
    return document.object();
}

qint64 versionOf(const QJsonObject& o) {
    const auto version = JsonRead::integer(o.value(QStringLiteral("version")));
    if (!version) throw AccountError(AccountError::Kind::badResponse);
    return *version;
}

} // namespace

AccountService::VaultRecord AccountService::parseVault(const QByteArray& body) {
    const QJsonObject o = replyObject(body);
    const qint64 version = versionOf(o);
    const QJsonValue blob = o.value(QStringLiteral("blob"));
    const QJsonValue wrappedKey = o.value(QStringLiteral("wrappedKey"));
    if (!blob.isString() || !wrappedKey.isString()) throw AccountError(AccountError::Kind::badResponse);
    return {version, blob.toString(), wrappedKey.toString()};
}

AccountService::VaultPut AccountService::readVaultPut(const QByteArray& body) {
    const QJsonObject o = replyObject(body);
    const qint64 version = versionOf(o);
    if (o.contains(QStringLiteral("blob"))) return {VaultPut::Conflict{parseVault(body)}};
    return {VaultPut::Saved{version}};
}

QCoro::Task<std::optional<AccountService::VaultRecord>> AccountService::vaultGet() {
    try {
        const Request request{QStringLiteral("vault"), "GET"};
        const QByteArray body = co_await authed(request);
        co_return parseVault(body);
    } catch (const AccountError& e) {
        if (e != AccountError::http(404)) throw;
    }
    co_return std::nullopt;
}

QCoro::Task<AccountService::VaultPut> AccountService::vaultPut(QString blob, QString wrappedKey,
                                                               qint64 ifMatch) {
    const Request request{
        QStringLiteral("vault"),
        "PUT",
        QJsonObject{{QStringLiteral("blob"), blob}, {QStringLiteral("wrappedKey"), wrappedKey}},
        std::nullopt,
        {{"If-Match", QByteArray::number(ifMatch)}},
        true};
    const QByteArray body = co_await authed(request);
    co_return readVaultPut(body);
}

} // namespace mivora
