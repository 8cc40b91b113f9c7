#include "Platform/Offscreen/MemorySecretStore.h"

namespace mivora {

QCoro::Task<SecretStore::Read> MemorySecretStore::read(QString service, QString account) {
    if (failing) co_return Read{Status::failed, {}};
    const auto it = items.find({service, account});
    if (it == items.end()) co_return Read{Status::notFound, {}};
    co_return Read{Status::ok, it->second};
}

QCoro::Task<SecretStore::Status> MemorySecretStore::write(QString service, QString account, QByteArray data) {
    if (failing) co_return Status::failed;
    items[{service, account}] = data;
    co_return Status::ok;
}

QCoro::Task<SecretStore::Status> MemorySecretStore::remove(QString service, QString account) {
    if (failing) co_return Status::failed;
    items.erase({service, account});
    co_return Status::ok;
}

} // namespace mivora
