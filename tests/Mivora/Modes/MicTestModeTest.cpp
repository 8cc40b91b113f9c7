#include "Modes/MicTestMode.h"
#include "Audio/MicSource.h"

#include "support/FakeAudioInput.h"
#include "support/FakeScheduler.h"
#include "support/Speech.h"

#include <QTextStream>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

// Speech passes; a microphone that delivers exact zeros (muted, or no permission) fails.
TEST(MicTestMode, SoundPassesAndExactZerosFail) {
    FakeClock clock;
    FakeScheduler scheduler{clock};
    auto* input = new FakeAudioInput;
    MicSource mic{std::unique_ptr<AudioInput>(input), scheduler};
    // The test's exit code and what it printed while the microphone delivers `samples` every half second.
    const auto run = [&](const std::vector<std::int16_t>& samples) {
        QString printed;
        QTextStream out(&printed);
        QCoro::Task<int> test = testMicrophone(mic, scheduler, out);
        for (int i = 0; i < 8; ++i) {
            input->deliver(samples);
            QCoreApplication::processEvents();
            scheduler.advance(0.5);
        }
        const int code = QCoro::waitFor(std::move(test));
        out.flush();
        return std::pair(code, printed);
    };
    const auto [passed, levels] = run(speech(0.5, 0.5).samples);
    EXPECT_EQ(passed, 0) << levels.toStdString();
    EXPECT_TRUE(levels.contains("电平 0.")) << levels.toStdString();
    const auto [failed, zeros] = run(std::vector<std::int16_t>(8000, 0));
    EXPECT_EQ(failed, 1);
    EXPECT_TRUE(zeros.endsWith("✗ 收到的全是 0：麦克风可能被静音，或没有权限\n")) << zeros.toStdString();
}
