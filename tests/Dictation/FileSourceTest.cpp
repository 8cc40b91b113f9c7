#include "Dictation/FileSource.h"

#include "support/FakeScheduler.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <numbers>

using namespace mivora;

namespace {

// Writes a sine (the same on every channel, at `amplitude` of full scale) with libsndfile.
QString writeSine(const QString& path, int rate, int channels, double seconds, double amplitude,
                  int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    EXPECT_NE(f, nullptr) << sf_strerror(nullptr);
    const auto frames = sf_count_t(seconds * rate);
    std::vector<double> data;
    for (sf_count_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            data.push_back(amplitude * std::sin(2 * std::numbers::pi * 330 * double(i) / rate));
    sf_writef_double(f, data.data(), frames);
    sf_close(f);
    return path;
}

} // namespace

TEST(FileSource, LoadsAnyRateAndChannelCountAsAnEngineClip) {
    QTemporaryDir dir;
    const auto clip = FileSource::load(writeSine(dir.filePath("a.wav"), 44100, 2, 1.5, 0.5));
    EXPECT_NEAR(double(clip.samples.size()), 24000.0, 4.0);
    EXPECT_NEAR(clip.peak, 0.5, 0.02);
    EXPECT_EQ(clip.peak, AudioClip::peakOf(clip.samples));

    const auto flac = FileSource::load(
        writeSine(dir.filePath("b.flac"), 8000, 1, 1.0, 0.25, SF_FORMAT_FLAC | SF_FORMAT_PCM_16));
    EXPECT_NEAR(double(flac.samples.size()), 16000.0, 4.0);
    EXPECT_NEAR(flac.peak, 0.25, 0.02);
}

TEST(FileSource, ReadsBackAnEngineWavUnchanged) {
    std::vector<std::int16_t> samples;
    for (int i = 0; i < 8000; ++i)
        samples.push_back(std::int16_t(std::lround(9000 * std::sin(i * 0.05))));
    const AudioClip original(samples);
    QTemporaryDir dir;
    QFile f(dir.filePath("take.wav"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(original.wav());
    f.close();
    const auto back = FileSource::load(f.fileName());
    ASSERT_EQ(back.samples.size(), samples.size());
    int worst = 0;
    for (std::size_t i = 0; i < samples.size(); ++i)
        worst = std::max(worst, std::abs(int(back.samples[i]) - int(samples[i])));
    EXPECT_LE(worst, 2);
}

TEST(FileSource, UnreadableFilesThrowFromLoadAndGiveEmptyClipsAtStop) {
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing.wav");
    try {
        FileSource::load(missing);
        ADD_FAILURE() << "no error";
    } catch (const FileSource::LoadError& e) {
        EXPECT_TRUE(e.message().startsWith("读不了音频文件 " + missing)) << e.message().toStdString();
    }
    QFile junk(dir.filePath("junk.wav"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("RIFF not really a wave file");
    junk.close();
    EXPECT_THROW(FileSource::load(junk.fileName()), FileSource::LoadError);

    test::FakeClock clock;
    test::FakeScheduler scheduler(clock);
    FileSource source(missing, scheduler);
    source.start([](float) {});
    const AudioClip clip = source.stop();
    EXPECT_TRUE(clip.samples.empty());
    EXPECT_EQ(clip.peak, 0.0f);
}

TEST(FileSource, MetersAt30HzUntilStoppedOrCancelled) {
    QTemporaryDir dir;
    const QString path = writeSine(dir.filePath("m.wav"), 16000, 1, 0.5, 0.3);
    test::FakeClock clock;
    test::FakeScheduler scheduler(clock);
    FileSource source(path, scheduler);

    std::vector<float> levels;
    source.start([&](float v) { levels.push_back(v); });
    scheduler.advance(1.0);
    EXPECT_NEAR(double(levels.size()), 30.0, 1.0);
    for (float v : levels) {
        EXPECT_GE(v, 0.05f - 1e-6f);
        EXPECT_LE(v, 0.65f + 1e-6f);
    }
    EXPECT_NEAR(levels[0], 0.35 + std::sin(2.3 / 30) * 0.3 * std::sin(9.0 / 30), 1e-6);
    EXPECT_NEAR(double(source.stop().samples.size()), 8000.0, 4.0);
    const auto afterStop = levels.size();
    scheduler.advance(1.0);
    EXPECT_EQ(levels.size(), afterStop);

    // Starting twice keeps one meter; cancel ends it.
    int calls = 0;
    source.start([&](float) { ++calls; });
    source.start([&](float) { ++calls; });
    scheduler.advance(1.0);
    EXPECT_NEAR(calls, 30, 1);
    source.cancel();
    EXPECT_EQ(scheduler.pending(), 0u);
}
