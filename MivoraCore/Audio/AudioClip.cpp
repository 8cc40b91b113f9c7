#include "Audio/AudioClip.h"

#include "Support/Paths.h"
#include "Support/UserError.h"

#include <QFile>
#include <QUuid>

#include <algorithm>
#include <cmath>
#include <stdexcept>

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

QString AudioClip::writeWAV() const {
    const QString name = "mivora-" + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + ".wav";
    const QString path = Paths::temp() + "/" + name;
    // The message reaches the user as a failed take, so it says what went wrong in their language and
    // keeps the system's reason for the log.
    auto failure = [](const QFile& f) {
        return UserError("临时录音文件写不进去（" + f.errorString() + "）");
    };
    // Written beside its name and moved into place, so no reader sees half a file. Not forced to disk:
    // the file is read back at once and deleted seconds later. The user's voice is for the user alone.
    QFile side(path + QStringLiteral(".part"));
    if (!side.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        throw failure(side);
    const QByteArray bytes = wav();
    const bool written = side.write(bytes) == bytes.size() && side.flush();
    side.close();
    if (!written || side.error() != QFileDevice::NoError || !side.rename(path)) {
        const UserError error = failure(side);
        side.remove();
        throw error;
    }
    return path;
}

} // namespace mivora
