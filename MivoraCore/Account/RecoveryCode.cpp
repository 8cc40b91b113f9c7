#include "Account/RecoveryCode.h"

#include "Account/VaultCipher.h"
#include "Account/VaultFailure.h"
#include "Support/Text.h"

#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

namespace mivora {

namespace {

constexpr char16_t alphabet[] = u"0123456789ABCDEFGHJKMNPQRSTVWXYZ";

// The alphabet index of one character, with the look-alikes the user may type; -1 when it is not a code
// character.
int indexOf(char16_t c) {
    if (c == u'O') c = u'0';
    if (c == u'I' || c == u'L') c = u'1';
    for (int i = 0; i < 32; ++i)
        if (alphabet[i] == c) return i;
    return -1;
}

bool isSeparator(char16_t c) {
    return c == u' ' || c == u'-' || c == u'\n' || c == u'\t';
}

icu::UnicodeString toIcu(QStringView text) {
    return icu::UnicodeString(reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()));
}

QString upperCased(QStringView text) {
    icu::UnicodeString s = toIcu(text);
    s.toUpper(icu::Locale::getRoot());
    return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length());
}

// The one UTF-16 unit a character is canonically equivalent to (the Kelvin sign is "K"), or 0 when there is
// none (a base with a combining mark, a pair such as CR LF, a character outside the BMP).
char16_t single(const QString& character) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) return 0;
    const icu::UnicodeString n = nfc->normalize(toIcu(character), status);
    return U_SUCCESS(status) && n.length() == 1 ? char16_t(n.charAt(0)) : 0;
}

// A label of 15 ASCII bytes, the same on every device and in every version: changing it would make every
// wrapped key unreadable. Assembled here rather than kept as one literal.
QByteArray wrapSalt() {
    return QByteArray("mivora") + "-vault" + "-v1";
}

} // namespace

RecoveryCode RecoveryCode::generate() {
    return RecoveryCode(VaultCipher::randomBytes(size));
}

RecoveryCode RecoveryCode::parse(QStringView typed) {
    QByteArray out;
    quint32 accumulator = 0;
    int bits = 0;
    int counted = 0;
    for (const QString& character : Text::graphemes(upperCased(typed))) {
        const char16_t c = single(character);
        if (isSeparator(c)) continue;
        const int index = indexOf(c);
        if (index < 0) throw VaultFailure(VaultFailure::badRecoveryCode);
        if (++counted > 26) throw VaultFailure(VaultFailure::badRecoveryCode);
        accumulator = (accumulator << 5) | quint32(index);
        bits += 5;
        if (bits >= 8) {
            bits -= 8;
            out.append(char((accumulator >> bits) & 0xFF));
        }
        accumulator &= (1u << bits) - 1;
    }
    if (counted != 26 || bits != 2 || out.size() != size || accumulator != 0)
        throw VaultFailure(VaultFailure::badRecoveryCode);
    return RecoveryCode(out);
}

QString RecoveryCode::raw() const {
    QString out;
    out.reserve(26);
    quint32 accumulator = 0;
    int bits = 0;
    for (const char byte : bytes_) {
        accumulator = (accumulator << 8) | quint8(byte);
        bits += 8;
        while (bits >= 5) {
            bits -= 5;
            out.append(QChar(alphabet[(accumulator >> bits) & 31]));
        }
        accumulator &= (1u << bits) - 1;
    }
    if (bits > 0) out.append(QChar(alphabet[(accumulator << (5 - bits)) & 31]));
    return out;
}

QString RecoveryCode::display() const {
    const QString r = raw();
    return r.mid(0, 5) + u'-' + r.mid(5, 5) + u'-' + r.mid(10, 5) + u'-' + r.mid(15, 5) + u'-' + r.mid(20);
}

SymmetricKey RecoveryCode::wrappingKey() const {
    return *SymmetricKey::fromBytes(VaultCipher::hkdfSha256(bytes_, wrapSalt(), "wrap", SymmetricKey::size));
}

} // namespace mivora
