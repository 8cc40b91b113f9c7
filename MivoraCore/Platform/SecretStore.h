#pragma once

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QString>

namespace mivora {

// The user's store of secrets (on Linux the desktop's Secret Service): small items of bytes, each found by a
// service and an account name. Every call answers asynchronously, so the main thread never waits on the
// store's process.
class SecretStore {
public:
    enum class Status {
        ok,
        notFound, // no item under this service and account
        failed,   // the store did not answer, refused, or is locked
    };
    struct Read {
        Status status = Status::failed;
        QByteArray data; // set when status is ok
    };

    virtual ~SecretStore() = default;
    virtual QCoro::Task<Read> read(QString service, QString account) = 0;
    // Stores `data` under service and account, replacing any item there in one step: a failed write leaves
    // the old item as it was.
    virtual QCoro::Task<Status> write(QString service, QString account, QByteArray data) = 0;
    // Removes the item; removing a missing item is ok.
    virtual QCoro::Task<Status> remove(QString service, QString account) = 0;
};

} // namespace mivora
