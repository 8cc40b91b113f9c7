#include "MicTestMode.h"
#include "Audio/MicSource.h"

#include "support/FakeAudioInput.h"
#include "support/FakeScheduler.h"
#include "support/Speech.h"

#include <QTextStream>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

struct MicTestModeTest : ::testing::Test {
    FakeClock clock;
    FakeScheduler scheduler{clock};
    FakeAudioInput* input = new FakeAudioInput;
    MicSource mic{std::unique_ptr<AudioInput>(input), scheduler};
    QString printed;
    QTextStream out{&printed};

    // Runs the test while the microphone delivers `samples` every half second.
    int run(const std::vector<std::int16_t>& samples) {
        QCoro::Task<int> test = testMicrophone(mic, scheduler, out);
        for (int i = 0; i < 8; ++i) {
            input->deliver(samples);
            QCoreApplication::processEvents();
            scheduler.advance(0.5);
        }
        return QCoro::waitFor(std::move(test));
    }
};

} // namespace

TEST_F(MicTestModeTest, SoundPassesAndPrintsLevelsAndTheInput) {
    EXPECT_EQ(run(speech(0.5, 0.5).samples), 0);
    EXPECT_TRUE(printed.contains("电平 0.")) << printed.toStdString();
    EXPECT_TRUE(printed.contains("麦克风：输入 1 声道 16000Hz")) << printed.toStdString();
    EXPECT_TRUE(printed.endsWith("✓ 麦克风能用\n")) << printed.toStdString();
}

TEST_F(MicTestModeTest, ExactZerosOrNoMicrophoneFail) {
    EXPECT_EQ(run(std::vector<std::int16_t>(8000, 0)), 1);
    EXPECT_TRUE(printed.endsWith("✗ 收到的全是 0：麦克风可能被静音，或没有权限\n")) << printed.toStdString();

    input->startFailure = std::make_exception_ptr(MicSource::MicError(MicSource::MicError::noInput));
    printed.clear();
    EXPECT_EQ(run({}), 1);
    EXPECT_TRUE(printed.endsWith("✗ " + MicSource::MicError(MicSource::MicError::noInput).message() + "\n"))
        << printed.toStdString();
}
