#include "Account/MemorySync.h"

#include "Account/MemoryKeyStore.h"
#include "Memories/MemoryStore.h"

#include <algorithm>

namespace mivora {

namespace {

QString recoveryCodeMessage(MemorySync::RecoveryCodeError::Kind kind) {
    using Kind = MemorySync::RecoveryCodeError::Kind;
    switch (kind) {
    case Kind::format:
        return QStringLiteral("恢复码是 26 位字母和数字，检查一下有没有少位。");
    case Kind::wrong:
        return QStringLiteral("这个恢复码打不开云端的记忆，确认是这个账号的恢复码。");
    case Kind::notStored:
        return QStringLiteral(
            "恢复码是对的，但这台电脑存不下记忆密钥。检查一下系统的密钥环能不能用，再输入一次。");
    }
    return {};
}

QList<Memory> sortedById(QList<Memory> items) {
    std::stable_sort(items.begin(), items.end(),
                     [](const Memory& a, const Memory& b) { return a.id < b.id; });
    return items;
}

} // namespace

MemorySync::RecoveryCodeError::RecoveryCodeError(Kind kind)
    : UserError(recoveryCodeMessage(kind)), kind_(kind) {}

MemorySync::MemorySync(AccountService& account, MemoryStore& store, MemoryKeyStore& keys, Clock& clock,
                       Scheduler& scheduler, QObject* parent)
    : QObject(parent), account_(account), store_(store), keys_(keys), clock_(clock), scheduler_(scheduler),
      user_(userId()) {
    connect(&account_, &AccountService::tokensChanged, this, &MemorySync::followUser);
    // Work of this account ends as soon as the user signs out, not only once the server has heard of it.
    connect(&account_, &AccountService::signOutStarted, this, [this] { ++epoch_; });
    // Told before the tokens go, so before the reset that the sign-out brings.
    connect(&account_, &AccountService::accountLost, this, [this] { lostAt_ = epoch_; });
}

MemorySync::~MemorySync() {
    scheduler_.cancel(debounce_);
}

QString MemorySync::userId() const {
    return account_.tokens() ? account_.tokens()->userID : QString();
}

void MemorySync::followUser() {
    const std::optional<QString> user =
        account_.signedIn() ? std::optional(userId()) : std::nullopt; // a refresh keeps the user
    if (user == user_) return;
    user_ = user;
    ++epoch_;
    if (user) lostAt_.reset();
    // A code made for someone else opens nothing of theirs, and left on screen it would block every pass
    // of the new user.
    pending_.reset();
    setState(State::of(State::Kind::off));
}

bool MemorySync::mayReport(const Epoch& epoch) const {
    return epoch.current() || (lostAt_ == epoch.value && !account_.signedIn());
}

void MemorySync::setState(State state) {
    state_ = std::move(state);
    emit stateChanged(state_);
}

void MemorySync::preview(State state) {
    setState(std::move(state));
}

void MemorySync::scheduleSoon() {
    scheduler_.cancel(debounce_);
    debounce_ = scheduler_.after(debounceSeconds, [self = QPointer<MemorySync>(this)] {
        if (self) self->sync();
    });
}

void MemorySync::reset() {
    pending_.reset();
    scheduler_.cancel(debounce_);
    ++epoch_;
    again_ = false; // asked for under the old epoch
    setState(State::of(State::Kind::off));
}

QCoro::Task<bool> MemorySync::admitted(bool continuing) {
    const Epoch epoch = this->epoch();
    if (!account_.signedIn() || account_.signingOut()) {
        setState(State::of(State::Kind::off));
        co_return false;
    }
    const bool available = co_await keys_.available();
    // Reset, or another user, while the store answered: this request belongs to nobody now.
    if (!epoch.current()) co_return false;
    if (!account_.signedIn() || account_.signingOut()) { // signed out while the store answered
        setState(State::of(State::Kind::off));
        co_return false;
    }
    if (!available) {
        setState(State::of(State::Kind::unavailable));
        co_return false;
    }
    // The code on screen stays until the user confirms it; a confirmation running now would otherwise
    // meet a pass that finds no vault yet and shows another code.
    if (state_.kind == State::Kind::showRecoveryCode) co_return false;
    if (confirming_) {
        wanted_ = true;
        co_return false;
    }
    if (running_ && !continuing) {
        again_ = true;
        co_return false;
    }
    co_return true;
}

QCoro::Task<> MemorySync::sync() {
    const QPointer<MemorySync> self(this);
    if (!co_await admitted(false)) co_return;
    running_ = true;
    for (;;) {
        again_ = false;
        co_await syncOnce();
        if (!self) co_return;
        if (!again_) break;
        // Between passes the gate applies again, so a code shown by the last pass stays on screen and a
        // signed-out user gets no pass.
        const bool next = co_await admitted(true);
        if (!self) co_return;
        if (!next) break;
    }
    running_ = false;
}

QString MemorySync::describe(std::exception_ptr error) {
    return UserError::messageOf(error).value_or(QStringLiteral("同步出了点问题，稍后会再试。"));
}

bool MemorySync::same(const MemoryPayload& a, const MemoryPayload& b) {
    return a.deleted == b.deleted && sortedById(a.items) == sortedById(b.items);
}

} // namespace mivora
