#include "AccountWiring.h"

#include "AppDelegate.h"
#include "Platform/Platform.h"
#include "Support/UserError.h"

#include <QCoroSignal>

namespace mivora {

namespace {

// A plain function with the pointer as its argument: the recogniser may drop the callback while the
// token is on its way.
QCoro::Task<std::optional<QString>> tokenOnceRestored(QPointer<AccountWiring> wiring) {
    if (wiring && !wiring->restored()) {
        co_await qCoro(wiring.data(), &AccountWiring::restoreFinished);
        // The take began before anyone knew whether an account was stored; without one it would reach the
        // relay without an account. It fails instead, and its recording stays there for a retry.
        if (wiring && AccountService::loginRequired() && !wiring->account().signedIn())
            throw UserError(QStringLiteral("先登录 Veskel 才能用口述和「问」"));
    }
    if (!wiring) co_return std::nullopt;
    co_return co_await wiring->account().validAccessToken();
}

} // namespace

AccountWiring::AccountWiring(AppDelegate& delegate, Platform& platform, HttpClient& network,
                             Defaults& defaults, Clock& clock, QObject* parent)
    : QObject(parent), delegate_(&delegate), store_(platform.secrets()),
      account_(AccountService::defaultBase(), store_, network, defaults, clock) {
    QPointer<AccountWiring> self(this);
    delegate.hooks.accountService = &account_;
    delegate.hooks.accountToken = [self] { return tokenOnceRestored(self); };
    delegate.hooks.signedIn = [self]() -> std::optional<bool> {
        if (!self || !self->restored_) return std::nullopt;
        return self->account_.signedIn();
    };
    // Until the stored tokens are read nobody counts as signed in: a take then would reach the relay
    // without an account.
    delegate.hooks.needsSignIn = [self] {
        return self && AccountService::loginRequired() && !(self->restored_ && self->account_.signedIn());
    };
}

void AccountWiring::start() {
    restoreThenFollow();
}

QCoro::Task<> AccountWiring::restoreThenFollow() {
    co_await account_.restore();
    restored_ = true;
    const auto tell = [this] {
        if (delegate_) delegate_->signedInChanged(account_.signedIn());
    };
    connect(&account_, &AccountService::tokensChanged, this, tell);
    tell();
    emit restoreFinished();
}

} // namespace mivora
