#pragma once

#include "Support/UserError.h"

#include <QNetworkReply>
#include <QString>

namespace mivora {

// A request that got no HTTP answer: no connection, the request's own time-out, a TLS failure, or an
// abort. The message is the user-facing Chinese text; `detail` keeps Qt's own description for the log.
class NetworkError : public UserError {
public:
    NetworkError(QNetworkReply::NetworkError code, QString detail);

    QNetworkReply::NetworkError code() const { return code_; }
    QString detail() const { return detail_; }

private:
    QNetworkReply::NetworkError code_;
    QString detail_;
};

} // namespace mivora
