#include "Audio/AudioClip.h"

#include "Support/Paths.h"
#include "Support/PrivateFiles.h"
#include "Support/UserError.h"

#include <QFile>
#include <QStringList>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <stdexcept>
#include <unistd.h>

namespace mivora {

AudioClip::AudioClip(std::vector<std::int16_t> s, std::optional<float> p)
    : samples(std::move(s)), peak(p ? *p : peakOf(samples)) {}

float AudioClip::peakOf(const std::vector<std::int16_t>& samples) {
    std::int32_t loudest = 0;
    for (std::int16_t s : samples)
        loudest = std::max(loudest, std::abs(std::int32_t(s)));
    return float(loudest) / 32767.0f;
}

double AudioClip::voicedDuration() const {
    constexpr size_t frame = 320; // 20 ms
    const size_t frames = samples.size() / frame;
    if (frames == 0) return 0;
    std::vector<double> levels(frames);
    for (size_t f = 0; f < frames; ++f) {
        double sum = 0;
        const std::int16_t* p = samples.data() + f * frame;
        for (size_t i = 0; i < frame; ++i)
            sum += double(p[i]) * double(p[i]);
        levels[f] = std::sqrt(sum / double(frame)) / 32767.0;
    }
    std::vector<double> sorted = levels;
    std::sort(sorted.begin(), sorted.end());
    const size_t n = sorted.size();
    const double low = sorted[n / 10];
    const double high = sorted[(9 * n) / 10];
    const double loudest = sorted[n - 1];
    if (!(high > std::max(2.5 * low, 0.003))) return 0; // flat: steady noise or near silence
    const double threshold = std::max(std::min(0.5 * loudest, 3 * low), 0.003);
    const auto count = std::count_if(levels.begin(), levels.end(), [&](double l) { return l > threshold; });
    return double(count) / 50.0;
}

QByteArray AudioClip::wav() const {
    const std::uint32_t dataBytes = std::uint32_t(samples.size() * 2);
    QByteArray out;
    out.reserve(qsizetype(44 + dataBytes));
    auto u32 = [&](std::uint32_t v) {
        const char b[4] = {char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff),
                           char((v >> 24) & 0xff)};
        out.append(b, 4);
    };
    auto u16 = [&](std::uint16_t v) {
        const char b[2] = {char(v & 0xff), char((v >> 8) & 0xff)};
        out.append(b, 2);
    };
    out.append("RIFF", 4);
    u32(36 + dataBytes);
    out.append("WAVE", 4);
    out.append("fmt ", 4);
    u32(16);
    u16(1);
    u16(1);
    u32(sampleRate);
    u32(sampleRate * 2);
    u16(2);
    u16(16);
    out.append("data", 4);
    u32(dataBytes);
    const qsizetype header = out.size();
    out.resize(header + qsizetype(dataBytes));
    char* p = out.data() + header;
    for (std::int16_t s : samples) {
        const auto u = std::uint16_t(s);
        *p++ = char(u & 0xff);
        *p++ = char(u >> 8);
    }
    return out;
}

AudioClip AudioClip::normalized(float target, float maxGain) const {
    if (!(peak > 0) || peak >= 0.8f * target) return *this;
    const float gain = std::min(target / peak, maxGain);
    std::vector<std::int16_t> out(samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        const float x = std::round(float(samples[i]) * gain); // halves away from zero
        out[i] = std::int16_t(std::clamp(x, -32768.0f, 32767.0f));
    }
    return AudioClip(std::move(out));
}

namespace {

// Writes `bytes` to a new file at `path`, the user's alone, through a side file moved into place, so no
// reader sees half a file. Not forced to disk: the file is read back at once and deleted seconds later.
// The system's words for what failed (taken before anything else can change errno); nothing when written.
std::optional<QString> writeNew(const QString& path, const QByteArray& bytes) {
    const QByteArray side = QFile::encodeName(path + QStringLiteral(".part"));
    const auto failed = [&](int error, int fd) {
        if (fd >= 0) ::close(fd);
        ::unlink(side.constData());
        return QString::fromLocal8Bit(std::strerror(error));
    };
    const int fd = ::open(side.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return QString::fromLocal8Bit(std::strerror(errno)); // not ours to remove
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        // A write that takes nothing (no error, no byte) is a full disk by another name.
        if (n <= 0) return failed(n < 0 ? errno : ENOSPC, fd);
        done += n;
    }
    if (::close(fd) != 0) return failed(errno, -1);
    if (::rename(side.constData(), QFile::encodeName(path).constData()) != 0) return failed(errno, -1);
    return std::nullopt;
}

} // namespace

QString AudioClip::writeWAV() const {
    const QString name = "mivora-" + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + ".wav";
    const QByteArray bytes = wav();
    // A folder that cannot take the file (a full disk, say) passes it on to the next; only when none takes it
    // does the take fail, with the system's reasons (they reach the user as a failed take, in their language
    // around the system's words).
    QStringList reasons;
    const auto tried = [&](const QString& folder) -> std::optional<QString> {
        const QString path = folder + "/" + name;
        const std::optional<QString> why = writeNew(path, bytes);
        if (!why) return path;
        if (!reasons.contains(*why)) reasons << *why;
        return std::nullopt;
    };
    for (const QString& folder : Paths::sessionTemps())
        if (const auto path = tried(folder)) return *path;
    const QString own = Paths::ownTemp();
    if (const int error = PrivateFiles::makeFolder(own)) {
        const QString why = QString::fromLocal8Bit(std::strerror(error));
        if (!reasons.contains(why)) reasons << why;
    } else if (const auto path = tried(own)) {
        return *path;
    }
    throw UserError("临时录音文件写不进去（" + reasons.join(QStringLiteral("；")) + "）");
}

} // namespace mivora
