#include "Account/Vault.h"

#include "Account/VaultCipher.h"
#include "Support/Base64.h"

#include <stdexcept>

namespace mivora {

namespace {

// Seals and Base64-encodes; a failure of the random source or the cipher means no combined form.
QString sealed(QByteArrayView plaintext, const SymmetricKey& key) {
    try {
        return Base64::encode(VaultCipher::seal(plaintext, key));
    } catch (const std::runtime_error&) {
        throw VaultFailure(VaultFailure::cannotOpen);
    }
}

QByteArray opened(QStringView text, const SymmetricKey& key) {
    auto combined = Base64::decode(text);
    if (!combined) throw VaultFailure(VaultFailure::cannotOpen);
    auto plaintext = VaultCipher::open(std::move(*combined), key);
    if (!plaintext) throw VaultFailure(VaultFailure::cannotOpen);
    return std::move(*plaintext);
}

} // namespace

QString Vault::encrypt(const Payload& payload, const SymmetricKey& key) {
    JsonWriter w = encoder();
    payload.encode(w);
    return sealed(w.data(), key);
}

Vault::Payload Vault::decrypt(QStringView blob, const SymmetricKey& key) {
    const QByteArray json = opened(blob, key);
    auto payload = MemoryPayload::fromJson(json);
    if (!payload || payload->v != 1) throw Failure(Failure::badPayload);
    return std::move(*payload);
}

QString Vault::wrap(const SymmetricKey& key, const RecoveryCode& code) {
    try {
        return sealed(key.bytes(), code.wrappingKey());
    } catch (const std::runtime_error&) {
        throw Failure(Failure::cannotOpen);
    }
}

SymmetricKey Vault::unwrap(QStringView wrapped, const RecoveryCode& code) {
    // The wrapping key comes first, before the text is looked at.
    std::optional<SymmetricKey> wrapping;
    try {
        wrapping = code.wrappingKey();
    } catch (const std::runtime_error&) {
        throw Failure(Failure::cannotOpen);
    }
    const auto key = SymmetricKey::fromBytes(opened(wrapped, *wrapping));
    if (!key) throw Failure(Failure::badPayload);
    return *key;
}

} // namespace mivora
