#include "Account/WebSignIn.h"

#include "Account/AccountError.h"
#include "Account/AccountService.h"
#include "Account/BrowserSheet.h"

namespace mivora {

WebSignIn::WebSignIn(BrowserSheet& browser, GoogleEndpoints google)
    : browser_(browser), google_(std::move(google)) {}

WebSignIn::GoogleEndpoints WebSignIn::defaultGoogle() {
    return {AccountService::googleAuthorizeURL(), AccountService::googleTokenURL()};
}

QCoro::Task<> WebSignIn::apple(AccountService& account) {
    const AccountService::AppleWebLogin login = account.appleWebLogin();
    const QUrl callback =
        co_await browser_.open(login.startURL, AccountService::AppleWebLogin::callbackScheme);
    co_await account.finishAppleWeb(callback, login);
}

QCoro::Task<> WebSignIn::google(AccountService& account) {
    if (!account.configured()) throw AccountError(AccountError::Kind::notConfigured);
    const AccountService::GoogleLogin login = AccountService::googleLogin(google_.authorize);
    const QUrl callback = co_await browser_.open(login.startURL, AccountService::googleScheme);
    co_await account.finishGoogle(callback, login, google_.token);
}

} // namespace mivora
