#pragma once

#include "Account/SymmetricKey.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace mivora {

// The secret that unwraps the vault's data key on another device: 16 random bytes, shown as 26 characters
// of a base-32 alphabet without I, L, O and U, in five groups.
class RecoveryCode {
public:
    static constexpr qsizetype size = 16;

    // A new code from the system's secure random source. Throws std::runtime_error when the source fails.
    static RecoveryCode generate();

    // Reads a typed code. Upper-cased first (root locale); then, character by character (user-perceived
    // characters compared by canonical equivalence): a space, "-", line feed or tab is skipped; "O" reads as
    // "0", "I" and "L" as "1"; anything else outside the alphabet is refused. Exactly 26 characters whose
    // last carries two zero bits make a code. Throws VaultFailure::badRecoveryCode otherwise.
    static RecoveryCode parse(QStringView typed);

    const QByteArray& bytes() const { return bytes_; }
    // The 26 characters of the alphabet, most significant bit first.
    QString raw() const;
    // `raw` in groups of 5, 5, 5, 5 and 6 joined by "-".
    QString display() const;
    // HKDF-SHA256 of the bytes: the key that wraps the data key. Throws std::runtime_error when the
    // library fails.
    SymmetricKey wrappingKey() const;

    bool operator==(const RecoveryCode&) const = default;

private:
    explicit RecoveryCode(QByteArray bytes) : bytes_(std::move(bytes)) {}
    QByteArray bytes_;
};

} // namespace mivora
