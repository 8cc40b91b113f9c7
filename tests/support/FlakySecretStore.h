#pragma once

#include "Platform/Offscreen/MemorySecretStore.h"

#include "support/Deferred.h"

namespace mivora::test {

// Secrets in memory whose single operations can be made to fail or lie: a write that fails keeps what was
// there (as the real store does), a read can come back with other bytes, and writes can be held unanswered
// (a store waiting on an unlock nobody answers) until the test lets them through.
class FlakySecretStore final : public SecretStore {
public:
    MemorySecretStore items;
    bool failWrites = false;
    bool failRemoves = false;
    bool alterReads = false;
    bool holdWrites = false;

    // Writes waiting now.
    int heldWrites() const { return heldWrites_; }
    // Lets every held write go on, in the order they came.
    void releaseWrites() {
        heldWrites_ = 0;
        held_.settleAll(true);
    }

    QCoro::Task<Read> read(QString service, QString account) override {
        Read r = co_await items.read(service, account);
        if (alterReads && r.status == Status::ok) r.data[0] = char(r.data[0] ^ 1);
        co_return r;
    }
    QCoro::Task<Status> write(QString service, QString account, QByteArray data) override {
        if (holdWrites) {
            ++heldWrites_;
            const auto released = held_.next();
            co_await released;
        }
        if (failWrites) co_return Status::failed;
        co_return co_await items.write(service, account, data);
    }
    QCoro::Task<Status> remove(QString service, QString account) override {
        if (failRemoves) co_return Status::failed;
        co_return co_await items.remove(service, account);
    }

private:
    Deferred<bool> held_;
    int heldWrites_ = 0;
};

} // namespace mivora::test
