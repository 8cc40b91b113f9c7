#include "Support/NetworkError.h"

namespace mivora {

namespace {
QString describe(NetworkError::Kind kind) {
    using Kind = NetworkError::Kind;
    switch (kind) {
    case Kind::timeout:
        return QStringLiteral("请求超时。");
    case Kind::cancelled:
        return QStringLiteral("请求已取消。");
    case Kind::hostNotFound:
        return QStringLiteral("找不到服务器，请检查网络连接。");
    case Kind::unreachable:
    case Kind::closed:
        return QStringLiteral("无法连接到服务器。");
    case Kind::insecure:
        return QStringLiteral("无法与服务器建立安全连接。");
    case Kind::other:
        break;
    }
    return QStringLiteral("网络出错了。");
}
} // namespace

NetworkError::NetworkError(Kind kind, QString detail)
    : UserError(describe(kind)), kind_(kind), detail_(std::move(detail)) {}

} // namespace mivora
