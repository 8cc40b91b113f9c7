#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace mivora {

// A 256-bit AES key: the vault's data key, or the wrapping key derived from a recovery code.
class SymmetricKey {
public:
    static constexpr qsizetype size = 32;

    // A new key from the system's secure random source. Throws std::runtime_error when the source fails, so
    // a zero or predictable key is never handed out.
    static SymmetricKey random();
    // The key made of exactly 32 bytes; absent for any other length.
    static std::optional<SymmetricKey> fromBytes(QByteArrayView bytes);

    const QByteArray& bytes() const { return bytes_; }
    bool operator==(const SymmetricKey&) const = default;

private:
    explicit SymmetricKey(QByteArray bytes) : bytes_(std::move(bytes)) {}
    QByteArray bytes_;
};

} // namespace mivora
