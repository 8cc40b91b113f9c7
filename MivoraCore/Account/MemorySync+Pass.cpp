#include "Account/AccountError.h"
#include "Account/MemoryKeyStore.h"
#include "Account/MemorySync.h"
#include "Account/Vault.h"
#include "Memories/MemoryStore.h"
#include "Support/AppLog.h"
#include "Support/Clock.h"
#include "Support/IsoDate.h"

namespace mivora {

namespace {

std::optional<QDateTime> wholeSeconds(const std::optional<QDateTime>& date) {
    return date ? std::optional(IsoDate::wholeSeconds(*date)) : std::nullopt;
}

} // namespace

MemoryPayload MemorySync::localPayload() const {
    // The wire keeps whole seconds: a fraction here would make every merge differ from what the server
    // holds (an upload on every pass) and let a truncated tombstone miss an edit made in the same second.
    MemoryPayload local;
    local.items = store_.memories();
    for (Memory& m : local.items) {
        m.savedAt = IsoDate::wholeSeconds(m.savedAt);
        m.updatedAt = wholeSeconds(m.updatedAt);
        m.lastUsedAt = wholeSeconds(m.lastUsedAt);
        m.expiresAt = wholeSeconds(m.expiresAt);
    }
    for (auto it = store_.deleted().begin(); it != store_.deleted().end(); ++it)
        local.deleted.insert(it.key(), IsoDate::wholeSeconds(it.value()));
    return local;
}

QCoro::Task<> MemorySync::syncOnce() {
    const Epoch epoch = this->epoch();
    const QString user = userId();
    const bool waiting = state_.kind == State::Kind::needsRecoveryCode;
    setState(State::of(State::Kind::syncing));
    std::exception_ptr error;
    try {
        const std::optional<AccountService::VaultRecord> record = co_await account_.vaultGet();
        if (!epoch.current()) co_return;
        if (!record) {
            // A code already on its way to the user is shown again rather than replaced, so the one they
            // write down is the one the vault gets.
            if (!pending_) {
                const std::optional<SymmetricKey> stored = co_await keys_.load(user);
                if (!epoch.current()) co_return;
                pending_ = Pending{stored ? *stored : SymmetricKey::random(), RecoveryCode::generate()};
            }
            setState(State::showRecoveryCode(pending_->code.display()));
            co_return;
        }
        const std::optional<SymmetricKey> key = co_await keys_.load(user);
        if (!epoch.current()) co_return;
        if (!key) {
            setState(State::of(State::Kind::needsRecoveryCode));
            co_return;
        }
        MemoryPayload remote;
        try {
            remote = Vault::decrypt(record->blob, *key);
        } catch (const VaultFailure& f) {
            if (f.kind() != VaultFailure::cannotOpen) throw;
            setState(State::of(State::Kind::needsRecoveryCode));
            co_return;
        }
        if (!co_await upload(std::move(remote), *record, *key, epoch)) co_return;
        setState(State::synced(clock_.now()));
        co_return;
    } catch (...) {
        error = std::current_exception();
    }
    if (!epoch.self || !mayReport(epoch)) co_return;
    if (waiting) {
        setState(State::of(State::Kind::needsRecoveryCode));
        co_return;
    }
    const QString reason = describe(error);
    setState(State::failed(reason));
    AppLog::write(QStringLiteral("同步失败：") + reason);
}

QCoro::Task<bool> MemorySync::upload(MemoryPayload remote, AccountService::VaultRecord base, SymmetricKey key,
                                     Epoch epoch) {
    for (int attempts = 0;; ++attempts) {
        // Read now, so edits made while an earlier attempt waited are included.
        const MemoryPayload merged = Vault::merge(localPayload(), remote, clock_.now());
        store_.applySynced(merged);
        if (same(merged, remote)) co_return true;
        const QString blob = Vault::encrypt(merged, key);
        const AccountService::VaultPut put = co_await account_.vaultPut(blob, base.wrappedKey, base.version);
        if (!epoch.current()) co_return false;
        if (std::holds_alternative<AccountService::VaultPut::Saved>(put.outcome)) {
            AppLog::write(QStringLiteral("记忆已同步（") + QString::number(merged.items.size()) +
                          QStringLiteral(" 条）"));
            co_return true;
        }
        base = std::get<AccountService::VaultPut::Conflict>(put.outcome).current;
        remote = Vault::decrypt(base.blob, key);
        if (attempts == 2) throw AccountError::http(409);
    }
}

QCoro::Task<> MemorySync::confirmRecoveryCodeSaved() {
    if (!pending_ || confirming_) co_return;
    const Epoch epoch = this->epoch();
    const QString user = userId();
    const Pending pending = *pending_;
    confirming_ = true;
    wanted_ = false;
    setState(State::of(State::Kind::syncing));
    std::optional<AccountService::VaultPut> put;
    try {
        MemoryPayload empty;
        const MemoryPayload payload = Vault::merge(localPayload(), empty, clock_.now());
        const QString blob = Vault::encrypt(payload, pending.key);
        const QString wrapped = Vault::wrap(pending.key, pending.code);
        put = co_await account_.vaultPut(blob, wrapped, 0);
    } catch (...) {
        if (epoch.self) confirming_ = false;
        // The pair stays pending: confirming again uploads the very code the user wrote down.
        if (epoch.current()) setState(State::failed(describe(std::current_exception())));
        co_return;
    }
    if (!epoch.current()) {
        if (epoch.self) confirming_ = false;
        co_return;
    }
    pending_.reset();
    if (std::holds_alternative<AccountService::VaultPut::Conflict>(put->outcome)) {
        // Another device created the vault first: this one joins it like any other.
        confirming_ = false;
        setState(State::of(State::Kind::needsRecoveryCode));
        co_await sync();
        co_return;
    }
    AppLog::write(QStringLiteral("已开启记忆同步"));
    const bool stored = co_await keys_.save(pending.key, user);
    if (!epoch.self) co_return;
    confirming_ = false;
    if (!epoch.current()) co_return;
    setState(stored ? State::synced(clock_.now()) : State::of(State::Kind::needsRecoveryCode));
    if (stored && wanted_) co_await sync();
}

QCoro::Task<> MemorySync::enterRecoveryCode(QString text) {
    std::optional<RecoveryCode> code;
    try {
        code = RecoveryCode::parse(text);
    } catch (const VaultFailure&) {
        throw RecoveryCodeError(RecoveryCodeError::Kind::format);
    }
    const Epoch epoch = this->epoch();
    const QString user = userId();
    const std::optional<AccountService::VaultRecord> record = co_await account_.vaultGet();
    if (!epoch.current()) co_return;
    if (!record) {
        co_await sync();
        co_return;
    }
    std::optional<SymmetricKey> key;
    try {
        key = Vault::unwrap(record->wrappedKey, *code);
        Vault::decrypt(record->blob, *key); // only to prove the key opens this vault
    } catch (...) {
        throw RecoveryCodeError(RecoveryCodeError::Kind::wrong);
    }
    const bool stored = co_await keys_.save(*key, user);
    if (!epoch.current()) co_return;
    if (!stored) throw RecoveryCodeError(RecoveryCodeError::Kind::notStored);
    AppLog::write(QStringLiteral("恢复码正确，已取回记忆密钥"));
    setState(State::of(State::Kind::syncing));
    co_await sync();
}

} // namespace mivora
