#include "Audio/FileSource.h"

#include "Audio/Resampler.h"

#include <QFile>

#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>

namespace mivora {

FileSource::LoadError::LoadError(const QString& path, const QString& reason)
    : UserError(QStringLiteral("读不了音频文件 %1：%2").arg(path, reason)) {}

FileSource::FileSource(QString path, Scheduler& scheduler) : path_(std::move(path)), scheduler_(scheduler) {}

FileSource::~FileSource() {
    stopMeter();
}

QCoro::Task<> FileSource::start(std::function<void(float)> level) {
    stopMeter(); // a second start must not leave the first meter running
    auto t = std::make_shared<double>(0.0);
    timer_ = scheduler_.every(1.0 / 30.0, [t, level = std::move(level)] {
        *t += 1.0 / 30.0;
        // Between 0.05 and 0.65, wandering like speech.
        if (level) level(float(0.35 + std::sin(2.3 * *t) * (0.3 * std::sin(9.0 * *t))));
    });
    co_return;
}

QCoro::Task<AudioClip> FileSource::stop() {
    stopMeter();
    try {
        co_return load(path_);
    } catch (const LoadError&) {
        co_return AudioClip({}, 0.0f);
    }
}

void FileSource::cancel() {
    stopMeter();
}

void FileSource::stopMeter() {
    if (timer_ != 0) scheduler_.cancel(timer_);
    timer_ = 0;
}

AudioClip FileSource::load(const QString& path) {
    SF_INFO info{};
    std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(
        sf_open(QFile::encodeName(path).constData(), SFM_READ, &info), &sf_close);
    if (!file) throw LoadError(path, QString::fromUtf8(sf_strerror(nullptr)));
    if (info.frames < 0 || info.frames > sf_count_t(std::numeric_limits<std::uint32_t>::max()) ||
        info.channels <= 0)
        return AudioClip({}, 0.0f);
    std::vector<float> data;
    try {
        data.resize(std::size_t(info.frames) * std::size_t(info.channels));
    } catch (const std::bad_alloc&) {
        return AudioClip({}, 0.0f);
    }
    const sf_count_t read = sf_readf_float(file.get(), data.data(), info.frames);
    if (sf_error(file.get()) != SF_ERR_NO_ERROR)
        throw LoadError(path, QString::fromUtf8(sf_strerror(file.get())));
    data.resize(std::size_t(std::max<sf_count_t>(read, 0)) * std::size_t(info.channels));

    auto resampler = Resampler::make(double(info.samplerate), info.channels);
    if (!resampler) return AudioClip({}, 0.0f);
    resampler->append(std::span<const float>(data));
    resampler->flush();
    return AudioClip(resampler->takeSamples()); // peak from the samples
}

} // namespace mivora
