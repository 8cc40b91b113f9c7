#pragma once

#include "Account/AccountService.h"
#include "Account/KeychainTokenStore.h"

#include <QObject>
#include <QPointer>

namespace mivora {

class HttpClient;
class AppDelegate;
class Clock;
class Defaults;
class Platform;
class Scheduler;

// The account of the running program: the one account service, its tokens in the desktop's secret store,
// and what the delegate learns of it (the recogniser's bearer token, whether a take must wait for a
// sign-in, each change of the signed-in state). Made before the delegate's launch, started after it. Must
// go before the delegate.
//
// Reading the stored tokens takes a while (the secret store may even ask the user to unlock it), and the
// launch does not wait for it. Until it is done the sign-in state is unknown: sync starts nothing, the setup
// does not count the account as there, a take starts all the same (a user signed in is not sent to sign in
// again), and its relay request waits for the tokens; when none are stored, it fails with the sign-in
// notice and keeps its recording for a retry. The whole wait for the token (reading the stored sign-in,
// refreshing a token near its expiry and saving the new pair) is a few seconds on `scheduler`: a store
// that has not answered by then fails the take with a notice naming the keyring, its recording kept too.
class AccountWiring final : public QObject {
    Q_OBJECT
public:
    AccountWiring(AppDelegate& delegate, Platform& platform, HttpClient& network, Defaults& defaults,
                  Clock& clock, Scheduler& scheduler, QObject* parent = nullptr);

    // Reads the stored tokens, tells the delegate the state they give, then follows every change.
    void start();

    AccountService& account() { return account_; }
    bool restored() const { return restored_; }

signals:
    void restoreFinished();

private:
    QCoro::Task<> restoreThenFollow();

    QPointer<AppDelegate> delegate_;
    KeychainTokenStore store_;
    AccountService account_;
    bool restored_ = false;
};

} // namespace mivora
