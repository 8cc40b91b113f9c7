#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace mivora {

// One signed-in account: the token pair, when the access token expires, who the user is and how they
// signed in.
struct AccountTokens {
    QString accessToken;
    QString refreshToken;
    QDateTime expiresAt;
    QString userID; // empty when the sign-in reply named no user
    std::optional<QString> email;
    QString method; // "email", "apple" or "google"

    bool operator==(const AccountTokens&) const = default;

    // Sorted keys, compact, whole-second UTC date; "email" only when present.
    QByteArray toJson() const;
    // The five other keys are required with their types; a missing or null "email" is absent. Nothing for
    // anything else.
    static std::optional<AccountTokens> fromJson(const QByteArray& json);
};

} // namespace mivora
