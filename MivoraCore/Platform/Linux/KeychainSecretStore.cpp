#include "Platform/Linux/KeychainSecretStore.h"

#include <QCoro/QCoroSignal>
#include <qt6keychain/keychain.h>

#include <memory>

namespace mivora {

namespace {

// Starts the job and waits for its answer without blocking the event loop.
QCoro::Task<QKeychain::Error> run(QKeychain::Job& job, const QString& account) {
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    job.setKey(account);
    job.start();
    co_await qCoro(&job, &QKeychain::Job::finished);
    co_return job.error();
}

} // namespace

QCoro::Task<SecretStore::Read> KeychainSecretStore::read(QString service, QString account) {
    auto job = std::make_unique<QKeychain::ReadPasswordJob>(service);
    switch (co_await run(*job, account)) {
    case QKeychain::NoError:
        co_return Read{Status::ok, job->binaryData()};
    case QKeychain::EntryNotFound:
        co_return Read{Status::notFound, {}};
    default:
        co_return Read{Status::failed, {}};
    }
}

QCoro::Task<SecretStore::Status> KeychainSecretStore::write(QString service, QString account,
                                                            QByteArray data) {
    auto job = std::make_unique<QKeychain::WritePasswordJob>(service);
    job->setBinaryData(data);
    co_return co_await run(*job, account) == QKeychain::NoError ? Status::ok : Status::failed;
}

QCoro::Task<SecretStore::Status> KeychainSecretStore::remove(QString service, QString account) {
    auto job = std::make_unique<QKeychain::DeletePasswordJob>(service);
    const QKeychain::Error error = co_await run(*job, account);
    co_return error == QKeychain::NoError || error == QKeychain::EntryNotFound ? Status::ok : Status::failed;
}

} // namespace mivora
