#include "Account/SymmetricKey.h"

#include "Account/VaultCipher.h"

namespace mivora {

SymmetricKey SymmetricKey::random() {
    return SymmetricKey(VaultCipher::randomBytes(size));
}

std::optional<SymmetricKey> SymmetricKey::fromBytes(QByteArrayView bytes) {
    if (bytes.size() != size) return std::nullopt;
    return SymmetricKey(bytes.toByteArray());
}

} // namespace mivora
