#pragma once

#include "Platform/SecretStore.h"

#include <map>
#include <utility>

namespace mivora {

// Secrets kept in this process only: for runs without a desktop session. `failing` makes every call fail, as
// a locked or absent store does.
class MemorySecretStore final : public SecretStore {
public:
    bool failing = false;
    std::map<std::pair<QString, QString>, QByteArray> items;

    QCoro::Task<Read> read(QString service, QString account) override;
    QCoro::Task<Status> write(QString service, QString account, QByteArray data) override;
    QCoro::Task<Status> remove(QString service, QString account) override;
};

} // namespace mivora
