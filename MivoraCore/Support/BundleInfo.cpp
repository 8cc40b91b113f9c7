#include "Support/BundleInfo.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <mutex>

namespace mivora::BundleInfo {

namespace {
std::mutex mutex;
std::optional<QJsonObject> overrideValues;

// What the file held when last read, and how it looked then.
struct Cached {
    QString path;
    bool exists = false;
    qint64 size = -1;
    QDateTime modified;
    QDateTime changed;
    QJsonObject values;
};
std::optional<Cached> cached;

QJsonObject readFile() {
    QFile f(file());
    if (!f.open(QIODevice::ReadOnly)) return {};
    return read(f.readAll());
}

// The file's values, read again only when the file is another one or has changed since (a stat, not a
// read and parse, per call). Call with the mutex held.
QJsonObject currentValues() {
    const QString path = file();
    const QFileInfo info(path);
    Cached now{path, info.exists(), info.size(), info.lastModified(), info.metadataChangeTime(), {}};
    if (cached && cached->path == now.path && cached->exists == now.exists && cached->size == now.size &&
        cached->modified == now.modified && cached->changed == now.changed)
        return cached->values;
    now.values = readFile();
    cached = now;
    return now.values;
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
    QJsonObject values;
    {
        std::lock_guard lock(mutex);
        // Callers such as the recogniser factory promise to see the current settings: a changed file is
        // read again.
        values = overrideValues ? *overrideValues : currentValues();
    }
    const QJsonValue v = values.value(key);
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
