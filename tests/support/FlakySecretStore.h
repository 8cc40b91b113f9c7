#pragma once

#include "Platform/Offscreen/MemorySecretStore.h"

namespace mivora::test {

// Secrets in memory whose single operations can be made to fail or lie: a write that fails keeps what was
// there (as the real store does), a read can come back with other bytes.
class FlakySecretStore final : public SecretStore {
public:
    MemorySecretStore items;
    bool failWrites = false;
    bool failRemoves = false;
    bool alterReads = false;

    QCoro::Task<Read> read(QString service, QString account) override {
        Read r = co_await items.read(service, account);
        if (alterReads && r.status == Status::ok) r.data[0] = char(r.data[0] ^ 1);
        co_return r;
    }
    QCoro::Task<Status> write(QString service, QString account, QByteArray data) override {
        if (failWrites) co_return Status::failed;
        co_return co_await items.write(service, account, data);
    }
    QCoro::Task<Status> remove(QString service, QString account) override {
        if (failRemoves) co_return Status::failed;
        co_return co_await items.remove(service, account);
    }
};

} // namespace mivora::test
