#include "Modes/VaultTestMode.h"

#include "Account/VaultCipher.h"
#include "Account/VaultKeyStore.h"
#include "Support/BundleInfo.h"

#include <QCoro/QCoroTask>

#include <stdexcept>

namespace mivora {

namespace {

const QString& service = VaultKeyStore::service;
const QString account = QStringLiteral("selftest");

// Why a step failed, after its "✗ …失败".
QString why(SecretStore::Status status) {
    if (status == SecretStore::Status::ok) return QStringLiteral("：读回的和写入的不一样");
    if (status == SecretStore::Status::notFound) return QStringLiteral("：条目不在");
    return QStringLiteral("：没有 Secret Service（密钥环服务，如 gnome-keyring）应答，或者它拒绝了、还锁着");
}

QCoro::Task<int> roundTrip(SecretStore& secrets, QTextStream& out) {
    out << QStringLiteral("钥匙串组：")
        << (BundleInfo::value(QStringLiteral("YarrikKeychainGroup"))
                ? QStringLiteral("已配置")
                : QStringLiteral("没有（包里没写 YarrikKeychainGroup）"))
        << Qt::endl;
    co_await secrets.remove(service, account);

    QByteArray bytes;
    try {
        bytes = VaultCipher::randomBytes(32);
    } catch (const std::runtime_error&) {
        out << QStringLiteral("✗ 随机数生成失败") << Qt::endl;
        co_return 1;
    }
    const SecretStore::Status written = co_await secrets.write(service, account, bytes);
    if (written == SecretStore::Status::ok)
        out << QStringLiteral("✓ 写入（密钥环）") << Qt::endl;
    else
        out << QStringLiteral("✗ 写入失败") << why(written) << Qt::endl;

    const SecretStore::Read read = co_await secrets.read(service, account);
    const bool same = read.status == SecretStore::Status::ok && read.data == bytes;
    if (same)
        out << QStringLiteral("✓ 读回一致") << Qt::endl;
    else
        out << QStringLiteral("✗ 读回失败") << why(read.status) << Qt::endl;
    // Secret Service items are never synchronised and belong to no access group.
    out << QStringLiteral("同步标记：否，访问组：无") << Qt::endl;

    const SecretStore::Status removed = co_await secrets.remove(service, account);
    if (removed == SecretStore::Status::ok)
        out << QStringLiteral("✓ 已删除测试条目") << Qt::endl;
    else
        out << QStringLiteral("✗ 删除失败") << why(removed) << Qt::endl;

    const bool held = written == SecretStore::Status::ok && same && removed == SecretStore::Status::ok;
    co_return held ? 0 : 1;
}

} // namespace

int runVaultTestMode(SecretStore& secrets, QTextStream& out) {
    return QCoro::waitFor(roundTrip(secrets, out));
}

} // namespace mivora
