#include "Account/AccountService.h"

#include "Account/AccountError.h"
#include "Account/TokenStore.h"
#include "Support/AppLog.h"
#include "Support/Clock.h"

#include <coroutine>
#include <exception>
#include <vector>

namespace mivora {

// The refresh in flight: its outcome and the callers waiting for it.
struct AccountService::Refresh {
    std::optional<AccountTokens> tokens;
    std::exception_ptr error;
    bool done = false;
    std::vector<std::coroutine_handle<>> waiters;

    // Copies share the refresh, since an awaiter may be copied on its way to the coroutine.
    struct Join {
        std::shared_ptr<Refresh> refresh;
        bool await_ready() const noexcept { return refresh->done; }
        void await_suspend(std::coroutine_handle<> h) const { refresh->waiters.push_back(h); }
        void await_resume() const noexcept {}
    };

    void finish() {
        done = true;
        for (std::coroutine_handle<> waiter : std::exchange(waiters, {}))
            waiter.resume();
    }
    AccountTokens outcome() const {
        if (error) std::rethrow_exception(error);
        return *tokens;
    }
};

QCoro::Task<std::optional<QString>> AccountService::validAccessToken() {
    if (!tokens_) co_return std::nullopt;
    // A copy: QCoro moves from an lvalue of another type than the task's, which would empty the stored
    // token for every later caller.
    if (clock_->now().msecsTo(tokens_->expiresAt) >= 60000) co_return std::optional(tokens_->accessToken);
    bool gone = false;
    try {
        const AccountTokens fresh = co_await refreshed();
        co_return fresh.accessToken;
    } catch (const AccountError& e) {
        gone = e.kind() == AccountError::Kind::accountGone;
    } catch (...) {
    }
    if (gone) {
        co_await forget(true);
        AppLog::write(QStringLiteral("账号已失效，退出登录"));
    }
    co_return std::nullopt;
}

QCoro::Task<AccountTokens> AccountService::refreshed() {
    if (const std::shared_ptr<Refresh> running = refreshing_) {
        const Refresh::Join join{running};
        co_await join;
        co_return running->outcome();
    }
    // While the logout is on its way the tokens are as good as gone: a refresh answering now would hand
    // out (and publish) a token of a session the user just ended.
    if (!tokens_ || signingOut_) throw AccountError(AccountError::Kind::signedOut);
    const auto refresh = std::make_shared<Refresh>();
    refreshing_ = refresh;
    try {
        refresh->tokens = co_await refreshBody(*tokens_, epoch_);
    } catch (...) {
        refresh->error = std::current_exception();
    }
    refreshing_.reset();
    refresh->finish();
    co_return refresh->outcome();
}

QCoro::Task<AccountTokens> AccountService::refreshBody(AccountTokens old, quint64 epoch) {
    const Request request{QStringLiteral("auth/refresh"), "POST",
                          QJsonObject{{QStringLiteral("refreshToken"), old.refreshToken}}};
    QByteArray body;
    std::exception_ptr failure;
    refreshAwaitsServer_ = true;
    try {
        body = co_await call(request);
    } catch (...) {
        failure = std::current_exception();
    }
    refreshAwaitsServer_ = false;
    // Signed out, or in with another account, while the request ran: this answer belongs to nobody.
    if (epoch != epoch_) throw AccountError(AccountError::Kind::signedOut);
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const AccountError& e) {
            // The server no longer takes the refresh token: the account is gone for this device.
            if (e.kind() == AccountError::Kind::signedOut)
                throw AccountError(AccountError::Kind::accountGone);
            throw;
        }
    }
    const LoginReply reply = LoginReply::read(body);
    const bool knownUser = reply.user && !reply.user->id.isEmpty();
    AccountTokens fresh{reply.accessToken,
                        reply.refreshToken,
                        expiryIn(reply.expiresIn),
                        knownUser ? reply.user->id : old.userID,
                        reply.user && reply.user->email ? reply.user->email : old.email,
                        old.method};
    co_await store_->save(fresh);
    if (epoch != epoch_) throw AccountError(AccountError::Kind::signedOut);
    publish(fresh);
    co_return fresh;
}

QCoro::Task<> AccountService::refreshNow() {
    co_await refreshed();
}

QCoro::Task<QByteArray> AccountService::authed(Request request) {
    const std::optional<QString> token = co_await validAccessToken();
    if (!token) throw AccountError(AccountError::Kind::signedOut);
    request.bearer = *token;
    try {
        co_return co_await call(request);
    } catch (const AccountError& e) {
        if (e.kind() != AccountError::Kind::signedOut) throw;
    }
    // The token was refused although it looked valid: one refresh, one repeat of the same request.
    try {
        const AccountTokens fresh = co_await refreshed();
        request.bearer = fresh.accessToken;
        co_return co_await call(request);
    } catch (const AccountError& e) {
        if (e.kind() != AccountError::Kind::accountGone) throw;
    }
    co_await forget(true);
    throw AccountError(AccountError::Kind::accountGone);
}

QCoro::Task<> AccountService::signOut() {
    if (tokens_) {
        const Request request{QStringLiteral("auth/logout"), "POST",
                              QJsonObject{{QStringLiteral("refreshToken"), tokens_->refreshToken}}};
        // Before the request: a refresh still running must not bring the tokens back, and none may start.
        ++epoch_;
        signingOut_ = true;
        emit signOutStarted();
        try {
            co_await call(request);
        } catch (...) {
            // Signing out here never depends on the server.
        }
        // Until the store has let go of the tokens they are still there to refresh: a sync pass or a take
        // asking now would save and publish a new pair after the sign-out, and the user would be back in.
        co_await forget();
        signingOut_ = false;
    } else {
        co_await forget();
    }
    AppLog::write(QStringLiteral("已退出登录"));
}

QCoro::Task<> AccountService::deleteAccount() {
    const std::optional<QString> token = co_await validAccessToken();
    if (!token) throw AccountError(AccountError::Kind::signedOut);
    const Request request{QStringLiteral("account"), "DELETE", std::nullopt, *token};
    co_await call(request);
    co_await forget();
    AppLog::write(QStringLiteral("账号已删除"));
}

QCoro::Task<> AccountService::forget(bool lost) {
    const quint64 epoch = ++epoch_;
    co_await store_->remove();
    if (epoch != epoch_) co_return; // a sign-in that came after this one wins
    if (lost) emit accountLost();
    publish(std::nullopt);
}

} // namespace mivora
