#pragma once

#include "Account/SymmetricKey.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace mivora {

// The OpenSSL primitives under the vault. Every call into the library is checked: a failure of the library
// or of the random source throws std::runtime_error and no partly filled buffer leaves these functions.
namespace VaultCipher {

constexpr qsizetype nonceSize = 12;
constexpr qsizetype tagSize = 16;

// `count` bytes from the system's secure random source.
QByteArray randomBytes(qsizetype count);

// AES-256-GCM under `key` with a fresh random nonce and no associated data, in the combined form
// nonce (12) ‖ ciphertext ‖ tag (16).
QByteArray seal(QByteArrayView plaintext, const SymmetricKey& key);
// The plaintext of a combined form; absent when it is shorter than 28 bytes, fails authentication, or the
// cipher fails in any other way. A combined form handed over unshared is opened in its own buffer.
std::optional<QByteArray> open(QByteArray combined, const SymmetricKey& key);

// HKDF with SHA-256 (RFC 5869): `length` bytes from the input key material, salt and info.
QByteArray hkdfSha256(QByteArrayView ikm, QByteArrayView salt, QByteArrayView info, qsizetype length);

} // namespace VaultCipher
} // namespace mivora
