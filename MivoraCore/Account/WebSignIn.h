#pragma once

#include <QCoro/QCoroTask>
#include <QUrl>

namespace mivora {

class AccountService;
class BrowserSheet;

// Sign-in with Apple or Google in the browser: makes the attempt's login, lets `browser` run the provider's
// pages and finishes with the callback it returns. The result is the account's published tokens; throws
// SignInCancelled, AccountError or what the browser sheet throws. Google's endpoints can be named for tests.
class WebSignIn {
public:
    struct GoogleEndpoints {
        QUrl authorize;
        QUrl token;
    };

    explicit WebSignIn(BrowserSheet& browser, GoogleEndpoints google = defaultGoogle());
    static GoogleEndpoints defaultGoogle();

    QCoro::Task<> apple(AccountService& account);
    QCoro::Task<> google(AccountService& account);

private:
    BrowserSheet& browser_;
    GoogleEndpoints google_;
};

} // namespace mivora
