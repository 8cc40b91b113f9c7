#include "Cloud/CloudASR.h"

#include "Cloud/OpenAI.h"
#include "Support/BundleInfo.h"
#include "Support/Defaults.h"

#include <QUuid>

#include <mutex>

#include <arpa/inet.h>
#include <netinet/in.h>

namespace mivora {

namespace {

// Plain http is only acceptable when the relay runs on this machine: the token never leaves it.
// Read with the C library rather than Qt's network module, which the command-line recogniser does not load.
bool isLoopback(const QUrl& url) {
    const QByteArray host = url.host().toLatin1();
    if (host == "localhost") return true;
    in_addr v4{};
    if (inet_aton(host.constData(), &v4)) return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    if (inet_pton(AF_INET6, host.constData(), &v6) != 1) return false;
    return IN6_IS_ADDR_LOOPBACK(&v6) || (IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127);
}

} // namespace

QUrl CloudASR::defaultBase() {
    if (auto relay = proxy()) return relay->base;
    return OpenAI::base();
}

std::optional<CloudASR::Proxy> CloudASR::proxy() {
    const auto urlText = BundleInfo::value(QStringLiteral("YarrikProxyURL"));
    const auto token = BundleInfo::value(QStringLiteral("YarrikProxyToken"));
    if (!urlText || !token || token->isEmpty()) return std::nullopt;
    const QUrl url(*urlText, QUrl::StrictMode);
    // A relay is an address on some host: "https" alone or "https:relay" would send the token to a relative
    // URL. The scheme is compared exactly as written (QUrl would lower-case it).
    if (!url.isValid() || url.host().isEmpty()) return std::nullopt;
    const bool secure = urlText->startsWith(QLatin1String("https:"));
    const bool local = urlText->startsWith(QLatin1String("http:")) && isLoopback(url);
    if (!secure && !local) return std::nullopt;
    return Proxy{appending(url, QStringLiteral("v1")), *token};
}

QString CloudASR::deviceID(Defaults& defaults) {
    // One lock around read-and-create: two first uses at once must not make two identifiers.
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    const QVariant stored = defaults.value(QStringLiteral("cloudDeviceID"));
    if (stored.typeId() == QMetaType::QString && !stored.toString().isEmpty()) return stored.toString();
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    defaults.setValue(QStringLiteral("cloudDeviceID"), id);
    return id;
}

} // namespace mivora
