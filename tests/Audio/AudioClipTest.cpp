#include "Audio/AudioClip.h"
#include "Audio/FileSource.h"
#include "Support/UserError.h"

#include "support/ScopedEnv.h"
#include "support/ScopedUmask.h"
#include "support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

using namespace mivora;
using Samples = std::vector<std::int16_t>;

namespace {

// Runs of (count, amplitude) 20 ms frames; each frame alternates +/-amplitude, so its level is
// amplitude / 32767.
Samples frames(std::initializer_list<std::pair<int, int>> runs) {
    Samples out;
    for (const auto& [count, amplitude] : runs)
        for (int i = 0; i < count * 320; ++i)
            out.push_back(std::int16_t(i % 2 ? -amplitude : amplitude));
    return out;
}

} // namespace

// A canonical PCM file byte for byte, written to a new file each time or refused in Chinese, leaving nothing.
TEST(AudioClip, WavIsACanonicalPcmFileAndWritingItMakesANewFileOrThrowsInChinese) {
    const QByteArray header = "RIFF" + QByteArray::fromHex("2e000000") + "WAVEfmt " +
                              QByteArray::fromHex("10000000 0100 0100 803e0000 007d0000 0200 1000") + "data" +
                              QByteArray::fromHex("0a000000");
    EXPECT_EQ(AudioClip({1, -1, 32767, -32768, 0x1234}).wav(),
              header + QByteArray::fromHex("0100ffffff7f00803412"));
    QTemporaryDir tmp;
    {
        test::ScopedEnv env("TMPDIR", tmp.path().toUtf8());
        const AudioClip clip({1, 2, 3, -4});
        EXPECT_NE(clip.writeWAV(), clip.writeWAV()); // a new name each time
    }
    // Neither folder there, and none of the program's own can be made (a file stands in its way).
    const QString missing = tmp.filePath("gone");
    test::ScopedEnv env("TMPDIR", missing.toUtf8());
    test::ScopedEnv runtime("XDG_RUNTIME_DIR", missing.toUtf8());
    QFile blocker(tmp.filePath("cache"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    test::ScopedEnv cache("XDG_CACHE_HOME", blocker.fileName().toUtf8());
    EXPECT_THAT([] { AudioClip({1}).writeWAV(); },
                testing::ThrowsMessage<UserError>(testing::StartsWith("临时录音文件写不进去")));
    EXPECT_FALSE(QFileInfo::exists(missing));
}

// The recording is the user's alone whatever the umask: 0600, in their temporary folder when it is theirs and
// no one else may write in it, else in the session's runtime folder, else in a private folder of the
// program's.
TEST(AudioClip, TheRecordingIsWrittenWhereOnlyTheUserCanReadIt) {
    const test::ScopedUmask umask(022);
    QTemporaryDir root;
    const QString shared = root.filePath("shared"), own = root.filePath("own"), run = root.filePath("run");
    for (const auto& [folder, mode] : {std::pair<QString, mode_t>{shared, 01777}, {own, 0755}, {run, 0700}})
        ASSERT_TRUE(QDir().mkpath(folder) && ::chmod(QFile::encodeName(folder).constData(), mode) == 0);
    const test::ScopedEnv cache("XDG_CACHE_HOME", root.filePath("cache").toUtf8());
    for (const auto& [tmpdir, runtime, expected] :
         {std::tuple{own, run, own}, {shared, run, run}, {shared, shared, root.filePath("cache/Mivora")}}) {
        const test::ScopedEnv a("TMPDIR", tmpdir.toUtf8()), b("XDG_RUNTIME_DIR", runtime.toUtf8());
        const QString written = AudioClip({1, 2, 3}).writeWAV();
        EXPECT_EQ(QFileInfo(written).path(), expected);
        EXPECT_EQ(test::modeOf(written), "600");
        QFile::remove(written);
    }
    EXPECT_EQ(test::notPrivate(root.filePath("cache")), "");
}

// A folder that cannot take the recording (its disk full while another has room) passes the take on to the
// next and keeps nothing of it; when no folder can, the failure names the system's reasons.
TEST(AudioClip, AFolderWithoutRoomPassesTheRecordingOnAndAFailureSaysWhy) {
    QTemporaryDir root;
    const QString full = root.filePath("full"), run = root.filePath("run");
    for (const QString& folder : {full, run})
        ASSERT_TRUE(QDir().mkpath(folder) && ::chmod(QFile::encodeName(folder).constData(), 0700) == 0);
    test::SmallDisk disk(full, "size=64k,mode=700");
    if (!disk.mounted()) GTEST_SKIP() << "no tmpfs could be mounted here: " << disk.error();
    disk.fill();
    const AudioClip second(std::vector<std::int16_t>(16000, 800)); // 32 kB
    {
        const test::ScopedEnv tmpdir("TMPDIR", full.toUtf8()), runtime("XDG_RUNTIME_DIR", run.toUtf8());
        const QString written = second.writeWAV();
        EXPECT_EQ(QFileInfo(written).path(), run);
        EXPECT_EQ(QFileInfo(written).size(), second.wav().size());
        EXPECT_EQ(QDir(full).entryList(QDir::Files | QDir::Hidden), QStringList{"filler"});
    }
    // Only the full disk, and the program's own folder cannot be made (a file stands in its way).
    const test::ScopedEnv tmpdir("TMPDIR", full.toUtf8()), runtime("XDG_RUNTIME_DIR", full.toUtf8());
    QFile blocker(root.filePath("cache"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    const test::ScopedEnv cache("XDG_CACHE_HOME", blocker.fileName().toUtf8());
    EXPECT_THAT([&] { second.writeWAV(); },
                testing::ThrowsMessage<UserError>(
                    testing::StrEq("临时录音文件写不进去（No space left on device；Not a directory）")));
    EXPECT_EQ(QDir(full).entryList(QDir::Files | QDir::Hidden), QStringList{"filler"});
}

TEST(AudioClip, NormalizationRoundsHalvesAwayFromZeroAndLeavesLoudClipsAlone) {
    const AudioClip louder = AudioClip({3, -3, 1, -1, 2, 0}).normalized(0.5f, 2.5f); // gain capped at 2.5
    EXPECT_EQ(louder.samples, (Samples{8, -8, 3, -3, 5, 0}));
    EXPECT_EQ(louder.peak, 8.0f / 32767.0f);
    const AudioClip loud({13107, -13107}); // 0.4 of full scale
    EXPECT_EQ(loud.normalized(0.5f, 40), loud);
}

TEST(AudioClip, VoicedDurationCountsFramesAboveTheNoiseFloor) {
    EXPECT_EQ(AudioClip(frames({{50, 8000}})).voicedDuration(), 0.0); // flat
    // The threshold is three times the floor (levels 0.009, 0.1, 0.3), not half the loudest frame, so the
    // medium frames count too; a trailing partial frame does not.
    Samples speech = frames({{20, 300}, {5, 3277}, {20, 300}, {5, 9830}});
    speech.insert(speech.end(), 319, 20000);
    EXPECT_DOUBLE_EQ(AudioClip(speech).voicedDuration(), 0.2);
    // Near silence (levels 0, 0.0027, 0.006): the threshold never drops below 0.003.
    EXPECT_DOUBLE_EQ(AudioClip(frames({{40, 0}, {5, 90}, {5, 200}})).voicedDuration(), 0.1);
}

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
