// The vault's readers of outside text: a typed recovery code, a blob or wrapped key from the server, and the
// payload inside a blob that opens. The input is tried as each of them; the payload path seals the input
// first, since no random text passes authentication.
#include "Account/Vault.h"
#include "Account/VaultCipher.h"
#include "RoundTrip.h"
#include "Support/Base64.h"

using namespace mivora;

namespace {

const SymmetricKey& dataKey() {
    static const SymmetricKey key = *SymmetricKey::fromBytes(QByteArray(32, 0x5a));
    return key;
}

const RecoveryCode& fixedCode() {
    static const RecoveryCode code = RecoveryCode::parse(u"01234-56789-ABCDE-FGHJK-MNPQRW");
    return code;
}

void asTypedCode(const QString& text) {
    try {
        const RecoveryCode code = RecoveryCode::parse(text);
        fuzz::require(code.bytes().size() == 16 && code.raw().size() == 26, "a code of the wrong size",
                      text.toUtf8());
        fuzz::require(RecoveryCode::parse(code.display()) == code, "a code's display reads differently",
                      code.display().toUtf8());
    } catch (const VaultFailure&) {
    }
}

void asServerText(const QString& text) {
    try {
        Vault::decrypt(text, dataKey());
    } catch (const VaultFailure&) {
    }
    try {
        Vault::unwrap(text, fixedCode());
    } catch (const VaultFailure&) {
    }
}

void asPlaintext(const QByteArray& bytes) {
    const QString blob = Base64::encode(VaultCipher::seal(bytes, dataKey()));
    Vault::Payload payload;
    try {
        payload = Vault::decrypt(blob, dataKey());
    } catch (const VaultFailure&) {
        return;
    }
    const QString again = Vault::encrypt(payload, dataKey());
    fuzz::require(Vault::decrypt(again, dataKey()) == payload, "a resealed payload opens differently", bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzz::bytes(data, size);
    const QString text = QString::fromUtf8(bytes);
    asTypedCode(text);
    asServerText(text);
    asPlaintext(bytes);
    return 0;
}
