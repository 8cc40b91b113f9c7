#include "Support/BundleInfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
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

std::optional<QString> problem() {
    const QString named = qEnvironmentVariable("MIVORA_INFO_JSON");
    if (named.isEmpty()) return std::nullopt;
    const QString where = QStringLiteral("MIVORA_INFO_JSON 指定的文件 ") + named;
    const QFileInfo info(named);
    if (!info.exists()) return where + QStringLiteral(" 不存在");
    if (info.isDir()) return where + QStringLiteral(" 是个文件夹，不是文件");
    QFile f(named);
    if (!f.open(QIODevice::ReadOnly)) return where + QStringLiteral(" 读不了（没有读取权限）");
    if (!QJsonDocument::fromJson(f.readAll()).isObject())
        return where + QStringLiteral(" 不是一个 JSON 对象（{...}）");
    return std::nullopt;
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
