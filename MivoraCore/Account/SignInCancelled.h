#pragma once

#include <exception>

namespace mivora {

// The user ended a browser sign-in (closed the waiting window, or cancelled or refused at the provider).
// Not a failure to report: the account panel simply goes back to where it was.
class SignInCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "sign-in cancelled"; }
};

} // namespace mivora
