#pragma once

#include "Support/UserError.h"

#include <QString>

namespace mivora {

// A request that got no HTTP answer: no connection, the request's own time-out, a TLS failure, a
// connection closed before the answer, or an abort. The message is the user-facing Chinese text; `detail`
// keeps the transport's own description for the log.
class NetworkError : public UserError {
public:
    enum class Kind { timeout, cancelled, hostNotFound, unreachable, closed, insecure, other };

    NetworkError(Kind kind, QString detail);

    Kind kind() const { return kind_; }
    QString detail() const { return detail_; }

private:
    Kind kind_;
    QString detail_;
};

} // namespace mivora
