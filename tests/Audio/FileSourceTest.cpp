#include "Audio/FileSource.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

using namespace mivora;

// Also the resampler's test: the mix of the channels, the rate and the flush of the filter's delay.
TEST(FileSource, LoadsAStereoFileAsA16kMonoClip) {
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

    const AudioClip clip = FileSource::load(path);
    EXPECT_NEAR(double(clip.samples.size()), 24000.0, 4.0);
    EXPECT_NEAR(clip.peak, 0.25, 0.02);
}
