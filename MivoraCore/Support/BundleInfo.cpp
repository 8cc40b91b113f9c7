#include "Support/BundleInfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>

#include <mutex>

namespace mivora::BundleInfo {

namespace {
std::mutex mutex;
std::optional<QJsonObject> overrideValues;

QJsonObject readFile() {
    QFile f(file());
    if (!f.open(QIODevice::ReadOnly)) return {};
    return read(f.readAll());
}
} // namespace

QJsonObject read(const QByteArray& bytes) {
    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    return doc.isObject() ? doc.object() : QJsonObject{};
}

QString file() {
    const QString env = qEnvironmentVariable("MIVORA_INFO_JSON");
    if (!env.isEmpty()) return env;
    return QCoreApplication::applicationDirPath() + "/Info.json";
}

std::optional<QString> value(const QString& key) {
    std::optional<QJsonObject> values;
    {
        std::lock_guard lock(mutex);
        values = overrideValues;
    }
    // Re-read every time: callers such as the recogniser factory promise to see the current settings.
    if (!values) values = readFile();
    const QJsonValue v = values->value(key);
    if (!v.isString() || v.toString().isEmpty()) return std::nullopt;
    return v.toString();
}

void setOverride(const QJsonObject& values) {
    std::lock_guard lock(mutex);
    overrideValues = values;
}

void reset() {
    std::lock_guard lock(mutex);
    overrideValues.reset();
}

} // namespace mivora::BundleInfo
