#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QString>

#include <exception>

namespace mivora {

// A request that got no HTTP answer: no connection, the request's own time-out, a TLS failure, or an
// abort. The message is the user-facing Chinese text; `detail` keeps Qt's own description for the log.
class NetworkError : public std::exception {
public:
    NetworkError(QNetworkReply::NetworkError code, QString detail);

    QNetworkReply::NetworkError code() const { return code_; }
    QString detail() const { return detail_; }
    QString message() const { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QNetworkReply::NetworkError code_;
    QString detail_;
    QString message_;
    QByteArray utf8_;
};

} // namespace mivora
