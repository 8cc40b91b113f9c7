#include "Account/AccountError.h"

namespace mivora {

namespace {

QString messageFor(AccountError::Kind kind, int status) {
    using Kind = AccountError::Kind;
    switch (kind) {
    case Kind::http:
        return QStringLiteral("账号服务暂时连不上（") + QString::number(status) +
               QStringLiteral("），稍后再试。");
    case Kind::notConfigured:
        return QStringLiteral("这个版本还没接上账号服务。");
    case Kind::signedOut:
        return QStringLiteral("还没登录。");
    case Kind::accountGone:
        return QStringLiteral("这个账号已经删除或停用，请重新登录。");
    case Kind::tooMany:
        return QStringLiteral("太频繁了，稍等一会儿再试。");
    case Kind::badCode:
        return QStringLiteral("验证码不对，或者已经过期。");
    case Kind::badResponse:
        return QStringLiteral("账号服务返回的内容看不懂，稍后再试。");
    case Kind::offline:
        return QStringLiteral("连不上网络，检查一下网络再试。");
    case Kind::expired:
        return QStringLiteral("登录等得太久过期了，再试一次。");
    case Kind::unavailable:
        return QStringLiteral("Apple 登录暂时用不了，可以先用邮箱登录。");
    }
    return {};
}

} // namespace

AccountError::AccountError(Kind kind, int status)
    : UserError(messageFor(kind, status)), kind_(kind), status_(status) {}

} // namespace mivora
