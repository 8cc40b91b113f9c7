#pragma once

#include "Account/AccountService.h"
#include "Account/RecoveryCode.h"
#include "Account/SymmetricKey.h"
#include "Memories/MemoryPayload.h"
#include "Support/Scheduler.h"
#include "Support/UserError.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>

#include <exception>
#include <optional>

namespace mivora {

class Clock;
class MemoryKeyStore;
class MemoryStore;

// Keeps the memory store and the account's encrypted vault in step. Main thread only; it suspends only while
// it waits for the server or the key store.
//
// Passes run one at a time behind a gate (signed in, a key store, no recovery code on screen, no pass or
// confirmation running); requests that arrive during a pass make exactly one more. Every pass and every
// recovery-code operation captures the sync epoch, which `reset()` and any change of the signed-in user move
// on: work that finds the epoch moved after an await ends without touching the state, the store or the
// server, so nothing of one account ever reaches another. A change of user also drops the pending key and
// code and sets the state off. The one exception is a pass whose own request found the account gone: the
// sign-out that follows moves the epoch, but the pass still reports its failure.
//
// The implementation is split: state, gate and scheduling here (MemorySync.cpp), the pass and the
// recovery-code operations in MemorySync+Pass.cpp.
class MemorySync final : public QObject {
    Q_OBJECT
public:
    // What the sync is doing or last did.
    struct State {
        enum class Kind { synced, showRecoveryCode, failed, off, unavailable, syncing, needsRecoveryCode };
        Kind kind = Kind::off;
        QDateTime at; // synced: when the pass or the vault's creation finished
        QString text; // showRecoveryCode: the code in display form; failed: the reason for the user

        static State synced(QDateTime at) { return {Kind::synced, std::move(at), {}}; }
        static State showRecoveryCode(QString code) { return {Kind::showRecoveryCode, {}, std::move(code)}; }
        static State failed(QString reason) { return {Kind::failed, {}, std::move(reason)}; }
        static State of(Kind kind) { return {kind, {}, {}}; }

        bool operator==(const State& o) const {
            if (kind != o.kind) return false;
            if (kind == Kind::synced) return at == o.at;
            if (kind == Kind::showRecoveryCode || kind == Kind::failed) return text == o.text;
            return true;
        }
    };

    // A typed recovery code that cannot be used.
    class RecoveryCodeError : public UserError {
    public:
        enum class Kind {
            format,    // not a well-formed code
            wrong,     // well-formed, but it does not open this account's vault
            notStored, // it opened the vault, but this device's key store refused the key
        };
        explicit RecoveryCodeError(Kind kind);
        Kind kind() const { return kind_; }
        bool operator==(const RecoveryCodeError& o) const { return kind_ == o.kind_; }

    private:
        Kind kind_;
    };

    static constexpr double debounceSeconds = 3;

    MemorySync(AccountService& account, MemoryStore& store, MemoryKeyStore& keys, Clock& clock,
               Scheduler& scheduler, QObject* parent = nullptr);
    ~MemorySync() override;

    const State& state() const { return state_; }

    // A sync() 3 s after the last of a burst of calls; returns at once.
    void scheduleSoon();
    // The gate, then passes until no more were asked for. Never throws; returns when its loop ends, or at
    // once when it only asked the running loop for one more pass or the gate stopped it.
    QCoro::Task<> sync();
    // Forgets the pending key and code and the delayed sync, abandons work in flight; state off.
    void reset();
    // Shows a state without a server (screenshots).
    void preview(State state);

    // The first device, once the user wrote down the code on screen: creates the vault. Never throws.
    QCoro::Task<> confirmRecoveryCodeSaved();
    // Another device: takes the typed code, recovers and stores the data key, then syncs. Throws
    // RecoveryCodeError, or the error of reading the vault unchanged; the state is untouched then.
    QCoro::Task<> enterRecoveryCode(QString text);

    // The user-facing text of an error; the fallback for errors without one.
    static QString describe(std::exception_ptr error);
    // Whether both hold the same memories in any order and the same tombstones (`v` aside).
    static bool same(const MemoryPayload& a, const MemoryPayload& b);

signals:
    // Every assignment of the state, also of an equal value.
    void stateChanged(const mivora::MemorySync::State& state);

private:
    struct Pending {
        SymmetricKey key;
        RecoveryCode code;
    };
    // What a pass or an operation needs to tell whether it still speaks for the present.
    struct Epoch {
        QPointer<MemorySync> self;
        quint64 value;
        bool current() const { return self && self->epoch_ == value; }
    };

    Epoch epoch() { return {QPointer<MemorySync>(this), epoch_}; }
    // The gate; false also when the engine went while the key store answered. A running loop asks again
    // between its passes (`continuing`), which skips the test of the loop itself.
    QCoro::Task<bool> admitted(bool continuing);
    QCoro::Task<> syncOnce();
    // False when the pass was abandoned; throws the first failure met.
    QCoro::Task<bool> upload(MemoryPayload remote, AccountService::VaultRecord base, SymmetricKey key,
                             Epoch epoch);
    // The store's memories and tombstones at the wire's precision (whole seconds).
    MemoryPayload localPayload() const;
    QString userId() const;
    void followUser();
    // Whether a failed pass of `epoch` (of this living engine) may still report it: the epoch is current,
    // or it moved only because the account was lost while that pass waited for the server.
    bool mayReport(const Epoch& epoch) const;
    void setState(State state);

    AccountService& account_;
    MemoryStore& store_;
    MemoryKeyStore& keys_;
    Clock& clock_;
    Scheduler& scheduler_;
    State state_;
    std::optional<Pending> pending_;
    bool running_ = false;
    bool again_ = false;
    bool confirming_ = false;
    bool wanted_ = false; // a sync was asked for while a confirmation ran
    Scheduler::TimerId debounce_ = 0;
    quint64 epoch_ = 0;
    std::optional<QString> user_;   // the signed-in user the epoch belongs to
    std::optional<quint64> lostAt_; // the epoch during which the server refused the account
};

} // namespace mivora
