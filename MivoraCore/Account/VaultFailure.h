#pragma once

#include <exception>

namespace mivora {

// What the vault layer throws. It carries no text for the user: the sync engine turns each kind into its own
// state and message.
class VaultFailure : public std::exception {
public:
    enum Kind {
        badRecoveryCode, // the typed text is not a well-formed recovery code
        cannotOpen,      // Base64 or combined form invalid, authentication failed, or nothing could be sealed
        badPayload,      // it opened, but is not a payload of version 1 (or not a 32-byte key)
    };

    explicit VaultFailure(Kind kind) : kind_(kind) {}
    Kind kind() const { return kind_; }
    const char* what() const noexcept override {
        switch (kind_) {
        case badRecoveryCode:
            return "vault: bad recovery code";
        case cannotOpen:
            return "vault: cannot open";
        case badPayload:
            return "vault: bad payload";
        }
        return "vault";
    }

private:
    Kind kind_;
};

} // namespace mivora
