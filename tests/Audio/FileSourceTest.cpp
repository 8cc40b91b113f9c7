#include "Audio/FileSource.h"

#include "support/FakeScheduler.h"
#include "support/TaskProbe.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

using namespace mivora;

TEST(FileSource, PlaysAFileBackAsAnEngineClipWithAMeterMeanwhile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.wav");
    SF_INFO info{.samplerate = 44100, .channels = 2, .format = SF_FORMAT_WAV | SF_FORMAT_PCM_16};
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    std::vector<double> frames(2 * 66150); // 1.5 s, left at half scale, right silent
    for (std::size_t i = 0; i < frames.size(); i += 2)
        frames[i] = 0.5 * std::sin(0.047 * double(i / 2));
    sf_writef_double(f, frames.data(), 66150);
    sf_close(f);

    test::FakeClock clock;
    test::FakeScheduler scheduler(clock);
    FileSource source(path, scheduler);
    int levels = 0;
    source.start([&](float) { ++levels; });
    source.start([&](float) { ++levels; }); // a second start keeps one meter
    scheduler.advance(1.0);
    EXPECT_NEAR(levels, 30, 1);
    const AudioClip clip = test::TaskProbe<AudioClip>(source.stop()).get();
    EXPECT_EQ(scheduler.pending(), 0u);
    EXPECT_NEAR(double(clip.samples.size()), 24000.0, 4.0);
    EXPECT_NEAR(clip.peak, 0.25, 0.02);

    // A file that cannot be read plays back as an empty take (its message is checked in "-recognize" mode).
    const QString missing = dir.filePath("missing.wav");
    EXPECT_TRUE(test::TaskProbe<AudioClip>(FileSource(missing, scheduler).stop()).get().samples.empty());
}
