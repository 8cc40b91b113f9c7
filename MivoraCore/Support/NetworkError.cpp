#include "Support/NetworkError.h"

namespace mivora {

namespace {
QString describe(QNetworkReply::NetworkError code) {
    switch (code) {
    case QNetworkReply::TimeoutError:
        return QStringLiteral("请求超时。");
    case QNetworkReply::OperationCanceledError:
        return QStringLiteral("请求已取消。");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("找不到服务器，请检查网络连接。");
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("无法连接到服务器。");
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::BackgroundRequestNotAllowedError:
        return QStringLiteral("网络好像断开了。");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("无法与服务器建立安全连接。");
    default:
        return QStringLiteral("网络出错了。");
    }
}
} // namespace

NetworkError::NetworkError(QNetworkReply::NetworkError code, QString detail)
    : UserError(describe(code)), code_(code), detail_(std::move(detail)) {}

} // namespace mivora
