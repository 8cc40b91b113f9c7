#include "Account/VaultKeyStore.h"

#include "Support/Base64.h"
#include "Support/JsonWriter.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace mivora {

const QString VaultKeyStore::service = QStringLiteral("com.orvessan.veskel.vault");
const QString VaultKeyStore::account = QStringLiteral("memoryKey");

namespace {

QByteArray itemData(const SymmetricKey& key, const QString& userId) {
    JsonWriter w(/*sortedKeys=*/true, /*prettyPrinted=*/false);
    w.beginObject();
    w.key(QStringLiteral("key"));
    w.string(Base64::encode(key.bytes()));
    w.key(QStringLiteral("userId"));
    w.string(userId);
    w.endObject();
    return w.data();
}

std::optional<SymmetricKey> keyFor(const QByteArray& data, const QString& userId) {
    const QJsonDocument doc = QJsonDocument::fromJson(data);
    if (!doc.isObject()) return std::nullopt;
    const QJsonValue owner = doc.object().value(QLatin1StringView("userId"));
    const QJsonValue key = doc.object().value(QLatin1StringView("key"));
    if (!owner.isString() || owner.toString() != userId || !key.isString()) return std::nullopt;
    const auto bytes = Base64::decode(key.toString());
    return bytes ? SymmetricKey::fromBytes(*bytes) : std::nullopt;
}

} // namespace

QCoro::Task<bool> VaultKeyStore::available() {
    const SecretStore::Read read = co_await secrets_.read(service, account);
    co_return read.status != SecretStore::Status::failed;
}

QCoro::Task<std::optional<SymmetricKey>> VaultKeyStore::load(QString userId) {
    const SecretStore::Read read = co_await secrets_.read(service, account);
    if (read.status != SecretStore::Status::ok) co_return std::nullopt;
    co_return keyFor(read.data, userId);
}

QCoro::Task<bool> VaultKeyStore::save(SymmetricKey key, QString userId) {
    co_return co_await secrets_.write(service, account, itemData(key, userId)) == SecretStore::Status::ok;
}

QCoro::Task<> VaultKeyStore::remove() {
    co_await secrets_.remove(service, account);
}

} // namespace mivora
