#pragma once

#include "Support/UserError.h"

namespace mivora {

// Whether the program starts by itself when the user logs in to the desktop. Calls are synchronous and
// quick (a small file at most), so the main thread may make them.
class LoginItem {
public:
    enum class Status {
        notRegistered,    // nothing starts the program at login
        enabled,          // the program starts at login
        requiresApproval, // registered, but the user still has to allow it
        notFound,         // the desktop does not know the program
    };

    // A change the desktop refused or the disk did not take; `message()` says why, in Chinese (a full disk
    // as such: the user can mend that).
    class Failure : public UserError {
    public:
        using UserError::UserError;
    };

    virtual ~LoginItem() = default;

    virtual Status status() const = 0;
    // Starts the program at every login from now on; throws Failure when refused.
    virtual void registerItem() = 0;
    // Stops starting it; nothing registered is no failure. Throws Failure when refused.
    virtual void unregisterItem() = 0;
};

} // namespace mivora
