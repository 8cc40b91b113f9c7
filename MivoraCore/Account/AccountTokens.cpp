#include "Account/AccountTokens.h"

#include "Account/Vault.h"
#include "Support/JsonRead.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace mivora {

QByteArray AccountTokens::toJson() const {
    JsonWriter writer = Vault::encoder();
    writer.beginObject();
    writer.key(QStringLiteral("accessToken"));
    writer.string(accessToken);
    if (email) {
        writer.key(QStringLiteral("email"));
        writer.string(*email);
    }
    writer.key(QStringLiteral("expiresAt"));
    writer.date(expiresAt);
    writer.key(QStringLiteral("method"));
    writer.string(method);
    writer.key(QStringLiteral("refreshToken"));
    writer.string(refreshToken);
    writer.key(QStringLiteral("userID"));
    writer.string(userID);
    writer.endObject();
    return writer.data();
}

std::optional<AccountTokens> AccountTokens::fromJson(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    const QJsonObject o = document.object();
    const auto expiresAt = JsonRead::date(o.value(QStringLiteral("expiresAt")));
    const QJsonValue email = o.value(QStringLiteral("email"));
    for (const char* key : {"accessToken", "refreshToken", "userID", "method"})
        if (!o.value(QLatin1String(key)).isString()) return std::nullopt;
    if (!expiresAt || !(email.isString() || email.isNull() || email.isUndefined())) return std::nullopt;
    return AccountTokens{o.value(QStringLiteral("accessToken")).toString(),
                         o.value(QStringLiteral("refreshToken")).toString(),
                         *expiresAt,
                         o.value(QStringLiteral("userID")).toString(),
                         email.isString() ? std::optional(email.toString()) : std::nullopt,
                         o.value(QStringLiteral("method")).toString()};
}

} // namespace mivora
