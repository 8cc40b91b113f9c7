#include "Dictation/AudioClip.h"

#include "support/ScopedEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace mivora;

namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

// Frames of 320 samples alternating +amplitude/-amplitude, so each frame's level is amplitude / 32767.
void appendFrames(std::vector<std::int16_t>& samples, int frames, int amplitude) {
    for (int i = 0; i < frames * 320; ++i)
        samples.push_back(std::int16_t(i % 2 ? -amplitude : amplitude));
}

const QByteArray emptyWav = bytes({'R', 'I', 'F', 'F', 36, 0, 0,   0,   'W', 'A',  'V',  'E', 'f', 'm',  't',
                                   ' ', 16,  0,   0,   0,  1, 0,   1,   0,   0x80, 0x3E, 0,   0,   0x00, 0x7D,
                                   0,   0,   2,   0,   16, 0, 'd', 'a', 't', 'a',  0,    0,   0,   0});

} // namespace

TEST(AudioClip, EmptyClip) {
    const AudioClip clip;
    const AudioClip built(std::vector<std::int16_t>{});
    EXPECT_EQ(built.peak, 0.0f);
    EXPECT_EQ(built.duration(), 0.0);
    EXPECT_TRUE(built.isSilent());
    EXPECT_EQ(built.voicedDuration(), 0.0);
    EXPECT_EQ(built.wav(), emptyWav);
    EXPECT_EQ(clip, built);
    EXPECT_EQ(built.normalized(0.5f, 40), built);
}

TEST(AudioClip, WavIsACanonicalPcmFileByteForByte) {
    const AudioClip clip({1, -1, 32767, -32768, 0x1234});
    QByteArray expected = emptyWav;
    expected[4] = 46; // 36 + 10
    expected[40] = 10;
    expected += bytes({0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x7F, 0x00, 0x80, 0x34, 0x12});
    EXPECT_EQ(clip.wav(), expected);

    // Size fields beyond one byte: 120 s, the longest take.
    const AudioClip longest(std::vector<std::int16_t>(120 * 16000, 7));
    const QByteArray wav = longest.wav();
    ASSERT_EQ(wav.size(), 44 + 3'840'000);
    EXPECT_EQ(wav.mid(4, 4), bytes({0x24, 0x98, 0x3A, 0x00}));  // 3,840,036
    EXPECT_EQ(wav.mid(40, 4), bytes({0x00, 0x98, 0x3A, 0x00})); // 3,840,000
    EXPECT_EQ(wav.mid(wav.size() - 2), bytes({7, 0}));
}

TEST(AudioClip, PeakDurationAndSilence) {
    EXPECT_FLOAT_EQ(AudioClip({-32768}).peak, 32768.0f / 32767.0f);
    EXPECT_GT(AudioClip({-32768}).peak, 1.0f);
    EXPECT_EQ(AudioClip({100, -200, 50}).peak, 200.0f / 32767.0f);
    EXPECT_EQ(AudioClip({100, -200}, 0.9f).peak, 0.9f); // a given peak is trusted
    EXPECT_EQ(AudioClip(std::vector<std::int16_t>(8000)).duration(), 0.5);
    EXPECT_FALSE(AudioClip({}, AudioClip::silencePeak).isSilent());
    EXPECT_TRUE(AudioClip({}, std::nextafter(AudioClip::silencePeak, 0.0f)).isSilent());
    EXPECT_NE(AudioClip({1, 2}, 0.1f), AudioClip({1, 2}, 0.2f));
}

TEST(AudioClip, NormalizationRoundsHalvesAwayFromZeroAndClamps) {
    // A quiet clip whose gain is capped at exactly 2.5.
    const AudioClip quiet({3, -3, 1, -1, 2, 0});
    const AudioClip louder = quiet.normalized(0.5f, 2.5f);
    EXPECT_EQ(louder.samples, (std::vector<std::int16_t>{8, -8, 3, -3, 5, 0}));
    EXPECT_EQ(louder.peak, 8.0f / 32767.0f);

    // The cap of 40 applies to very quiet takes.
    EXPECT_EQ(AudioClip({10, -5}).normalized(0.5f, 40).samples, (std::vector<std::int16_t>{400, -200}));

    // Peak 0.3: scaled by 0.5 / 0.3; the peak is recomputed from the new samples.
    const AudioClip mid({9830, 1000, -1000});
    const AudioClip scaled = mid.normalized(0.5f, 40);
    EXPECT_NEAR(scaled.samples[0], 16384, 1);
    EXPECT_EQ(scaled.samples[1], 1667);
    EXPECT_EQ(scaled.samples[2], -1667);
    EXPECT_EQ(scaled.peak, AudioClip::peakOf(scaled.samples));

    // A peak the caller got wrong: samples beyond full scale are clamped, not wrapped.
    const AudioClip wrong({-32768, 16000, -7000}, 0.1f);
    EXPECT_EQ(wrong.normalized(0.5f, 40).samples, (std::vector<std::int16_t>{-32768, 32767, -32768}));
}

TEST(AudioClip, NormalizationLeavesLoudAndSilentClipsAlone) {
    for (float peak : {0.45f, 0.4f, 1.0f, 0.0f, -0.1f, NAN}) {
        SCOPED_TRACE(peak);
        const AudioClip clip({100, -100}, peak);
        const AudioClip same = clip.normalized(0.5f, 40);
        EXPECT_EQ(same.samples, clip.samples);
        EXPECT_TRUE(same.peak == clip.peak || (std::isnan(peak) && std::isnan(same.peak)));
    }
    const AudioClip zeros(std::vector<std::int16_t>(1600));
    EXPECT_EQ(zeros.normalized(0.5f, 40), zeros);
    const AudioClip fullScale({-32768, 5});
    EXPECT_EQ(fullScale.normalized(0.5f, 40), fullScale);
}

TEST(AudioClip, VoicedDurationCountsFramesAboveTheNoiseFloor) {
    // Fewer than one frame.
    std::vector<std::int16_t> short_;
    appendFrames(short_, 1, 20000);
    short_.pop_back();
    EXPECT_EQ(AudioClip(short_).voicedDuration(), 0.0);

    // Digital silence and a steady tone are flat.
    EXPECT_EQ(AudioClip(std::vector<std::int16_t>(16000)).voicedDuration(), 0.0);
    std::vector<std::int16_t> tone;
    appendFrames(tone, 50, 8000);
    EXPECT_EQ(AudioClip(tone).voicedDuration(), 0.0);

    // Speech over a noise floor: the threshold is three times the floor, not half the loudest frame,
    // so the medium frames count too.
    std::vector<std::int16_t> speech;
    appendFrames(speech, 20, 300); // level 0.009
    appendFrames(speech, 5, 3277); // 0.1
    appendFrames(speech, 20, 300);
    appendFrames(speech, 5, 9830); // 0.3
    EXPECT_DOUBLE_EQ(AudioClip(speech).voicedDuration(), 0.2);

    // Near silence: the threshold never drops below 0.003.
    std::vector<std::int16_t> faint;
    appendFrames(faint, 40, 0);
    appendFrames(faint, 5, 90);  // 0.0027: below the floor of the threshold
    appendFrames(faint, 5, 200); // 0.006
    EXPECT_DOUBLE_EQ(AudioClip(faint).voicedDuration(), 0.1);
}

TEST(AudioClip, VoicedDurationIgnoresATrailingPartialFrame) {
    std::vector<std::int16_t> samples(320, 0);
    samples.insert(samples.end(), 480, 1000); // one loud frame and 160 loud samples left over
    ASSERT_EQ(samples.size(), 800u);
    EXPECT_DOUBLE_EQ(AudioClip(samples).voicedDuration(), 0.02);
}

TEST(AudioClip, WriteWavMakesANewFileEveryCall) {
    QTemporaryDir tmp;
    test::ScopedEnv env("TMPDIR", tmp.path().toUtf8());
    const AudioClip clip({1, 2, 3, -4});
    const QString a = clip.writeWAV();
    const QString b = clip.writeWAV();
    EXPECT_NE(a, b);
    const QRegularExpression name(
        "^mivora-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.wav$");
    for (const QString& path : {a, b}) {
        EXPECT_EQ(QFileInfo(path).absolutePath(), QDir(tmp.path()).absolutePath());
        EXPECT_TRUE(name.match(QFileInfo(path).fileName()).hasMatch()) << path.toStdString();
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), clip.wav());
    }
    // Nothing else is left in the folder (no side files of the atomic write).
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST(AudioClip, WriteWavFailureThrowsAndLeavesNothing) {
    QTemporaryDir tmp;
    const QString missing = tmp.filePath("gone");
    test::ScopedEnv env("TMPDIR", missing.toUtf8());
    EXPECT_ANY_THROW(AudioClip({1}).writeWAV());
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_TRUE(QDir(tmp.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}
