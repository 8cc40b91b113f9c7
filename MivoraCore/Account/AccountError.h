#pragma once

#include "Support/UserError.h"

namespace mivora {

// The failures of the account and sync layer, each with the fixed text the account panel shows.
class AccountError : public UserError {
public:
    enum class Kind {
        http, // a status without a case of its own; 0 for a reply that is not HTTP
        notConfigured,
        signedOut,
        accountGone,
        tooMany,
        badCode,
        badResponse,
        offline,
        expired,
        unavailable,
    };

    explicit AccountError(Kind kind, int status = 0);
    static AccountError http(int status) { return AccountError(Kind::http, status); }

    Kind kind() const { return kind_; }
    int status() const { return status_; } // only meaningful for `http`

    // Two `http` values are equal when their statuses are; every other case only equals itself.
    bool operator==(const AccountError& other) const {
        return kind_ == other.kind_ && (kind_ != Kind::http || status_ == other.status_);
    }

private:
    Kind kind_;
    int status_;
};

} // namespace mivora
