#include "Support/UserError.h"

namespace mivora {

std::optional<QString> UserError::messageOf(std::exception_ptr error) {
    if (!error) return std::nullopt;
    try {
        std::rethrow_exception(error);
    } catch (const UserError& e) {
        if (!e.message().isEmpty()) return e.message();
    } catch (...) {
    }
    return std::nullopt;
}

} // namespace mivora
