#include "Support/BundleInfo.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace mivora::BundleInfo {

namespace {
std::mutex mutex;
std::optional<QJsonObject> overrideValues;

// A file's times move in steps (a clock tick, up to two seconds on some file systems): a rewrite within one
// step keeps them, and one of the same length keeps the size too.
constexpr qint64 timestampStepMs = 3000;

// What the file held when last read, how it looked then, and when its bytes were last found current.
struct Cached {
    QString path;
    bool exists = false;
    qint64 size = -1;
    QDateTime modified;
    QDateTime changed;
    QDateTime confirmed;
    QByteArray bytes;
    QJsonObject values;

    bool looksLike(const Cached& other) const {
        return path == other.path && exists == other.exists && size == other.size &&
               modified == other.modified && changed == other.changed;
    }
    // Any later rewrite shows in the times once they lie a whole step before the bytes were confirmed.
    bool settled() const {
        return !exists || (modified.msecsTo(confirmed) > timestampStepMs &&
                           changed.msecsTo(confirmed) > timestampStepMs);
    }
};
std::optional<Cached> cached;

// An Info.json holds a few short strings; a file this large is not one.
constexpr qint64 sizeLimit = 1 << 20;

enum class Unusable { none, missing, folder, notAFile, unreadable, tooLarge };

struct Contents {
    QByteArray bytes;
    Unusable why = Unusable::none;
};

// What kind of file `st` describes, as far as it stands in the way of reading it.
Unusable kindOf(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return Unusable::folder;
    if (!S_ISREG(st.st_mode)) return Unusable::notAFile;
    if (st.st_size > sizeLimit) return Unusable::tooLarge;
    return Unusable::none;
}

// The bytes of the regular file at `path`. Anything else (a pipe, a device, a socket) is never read: a pipe
// with no writer would block the start for ever, on the open already. The file is looked at before it is
// opened, and opened without waiting in case it was swapped for a pipe meanwhile.
Contents readSettingsFile(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        return {{}, errno == ENOENT || errno == ENOTDIR ? Unusable::missing : Unusable::unreadable};
    if (const Unusable why = kindOf(st); why != Unusable::none) return {{}, why};
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {{}, errno == ENOENT || errno == ENOTDIR ? Unusable::missing : Unusable::unreadable};
    Contents c;
    c.why = ::fstat(fd, &st) != 0 ? Unusable::unreadable : kindOf(st);
    if (c.why == Unusable::none) {
        // Room for one byte more than the file held at the look, to tell a file that grew since.
        c.bytes.resize(st.st_size + 1);
        qint64 got = 0;
        while (true) {
            if (got == c.bytes.size()) {
                if (got > sizeLimit) break;
                c.bytes.resize(std::min(2 * got, sizeLimit + 1));
            }
            const ssize_t n = ::read(fd, c.bytes.data() + got, c.bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) c.why = Unusable::unreadable;
            if (n <= 0) break;
            got += n;
        }
        c.bytes.truncate(got);
        if (got > sizeLimit) c.why = Unusable::tooLarge;
    }
    ::close(fd);
    if (c.why != Unusable::none) c.bytes.clear();
    return c;
}

// The file's values, parsed again only when the file is another one or has changed since: a stat per call,
// and while the file's last change is recent, a read to compare its bytes. Call with the mutex held.
QJsonObject currentValues() {
    const QString path = file();
    // Taken before the look, so bytes read after it are at least this recent.
    const QDateTime confirmed = QDateTime::currentDateTimeUtc();
    const QFileInfo info(path);
    Cached now{
        path, info.exists(), info.size(), info.lastModified(), info.metadataChangeTime(), confirmed, {}, {}};
    const bool same = cached && cached->looksLike(now);
    if (same && cached->settled()) return cached->values;
    now.bytes = readSettingsFile(path).bytes;
    if (same && now.bytes == cached->bytes) {
        cached->confirmed = confirmed;
        return cached->values;
    }
    now.values = read(now.bytes);
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
    const Contents c = readSettingsFile(named);
    switch (c.why) {
    case Unusable::missing:
        return where + QStringLiteral(" 不存在");
    case Unusable::folder:
        return where + QStringLiteral(" 是个文件夹，不是文件");
    case Unusable::notAFile:
        return where + QStringLiteral(" 不是普通文件（像是管道或设备），不会去读它");
    case Unusable::unreadable:
        return where + QStringLiteral(" 读不了（没有读取权限）");
    case Unusable::tooLarge:
        return where + QStringLiteral(" 太大（超过 1 MB），不像是 Info.json");
    case Unusable::none:
        break;
    }
    if (!QJsonDocument::fromJson(c.bytes).isObject())
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
