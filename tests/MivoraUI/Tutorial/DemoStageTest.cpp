// The demonstration stage in virtual time: every state change of each script stamped against the fake
// clock, the hold while the window is hidden, a lesson switch mid-cycle, reduced motion, and pictures.
#include "MivoraUI/Tutorial/DemoStage.h"
#include "MivoraUI/HUD/HUDPill.h"
#include "MivoraUI/Kit/KeyCap.h"
#include "MivoraUI/Kit/WindowVisible.h"
#include "MivoraUI/Suggest/SuggestChip.h"

#include "support/FakeScheduler.h"
#include "support/Render.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

using namespace mivora;
using namespace mivora::test;
using Kind = VoicePhase::Kind;

namespace {

constexpr double eps = 1e-6;

struct Frame {
    double t;
    QString text;
    bool fn, shift, tab, chip;
    Kind hud;
    bool operator==(const Frame& o) const {
        return text == o.text && fn == o.fn && shift == o.shift && tab == o.tab && chip == o.chip &&
               hud == o.hud;
    }
};

class DemoStageTest : public ::testing::Test {
protected:
    void make(Lesson lesson, bool reduceMotion = false, bool inWindow = false) {
        stage = std::make_unique<DemoStage>(lesson, reduceMotion, "右 Ctrl", scheduler, clock,
                                            inWindow ? &window : nullptr);
        start = clock.uptime();
        QObject::connect(&stage->player(), &DemoPlayer::changed, [this] { record(); });
        stage->show();
        if (inWindow) window.show();
    }
    void record() {
        const DemoPlayer& p = stage->player();
        const Frame f{clock.uptime() - start, p.text(), p.fn(), p.shift(), p.tab(), p.chip(), p.hud().kind};
        // Only real changes: a row's changes and its first typed character come as two signals.
        if (frames.empty() || !(frames.back() == f)) frames.push_back(f);
    }
    void runTo(double t) { scheduler.advance(start + t - clock.uptime()); }
    // The first frame at or after `from` for which `pred` holds; its time, or -1.
    double when(const std::function<bool(const Frame&)>& pred, double from = 0) const {
        for (const Frame& f : frames)
            if (f.t >= from - eps && pred(f)) return f.t;
        return -1;
    }
    std::vector<double> textTimes(double from, double to) const {
        std::vector<double> out;
        for (std::size_t i = 1; i < frames.size(); ++i)
            if (frames[i].t > from - eps && frames[i].t < to + eps && frames[i].text != frames[i - 1].text)
                out.push_back(frames[i].t);
        return out;
    }

    FakeClock clock;
    FakeScheduler scheduler{clock};
    QWidget window; // goes after the stage
    std::unique_ptr<DemoStage> stage;
    std::vector<Frame> frames;
    double start = 0;
};

} // namespace

TEST_F(DemoStageTest, DictationHoldsTheKeyThenTypesWhileTheHudShowsDone) {
    make(Lesson::dictate);
    runTo(7.05 + 1.0);
    EXPECT_NEAR(when([](auto& f) { return f.fn; }), 0.9, eps);
    EXPECT_NEAR(when([](auto& f) { return f.hud == Kind::listening; }), 0.9, eps);
    EXPECT_NEAR(when([](auto& f) { return !f.fn && f.hud == Kind::processing; }), 2.8, eps);
    EXPECT_NEAR(when([](auto& f) { return f.hud == Kind::done; }), 3.6, eps);
    // Fifteen characters 0.03 s apart, all while the HUD shows done.
    const auto typed = textTimes(3.6, 4.5);
    ASSERT_EQ(typed.size(), 15u);
    for (std::size_t i = 0; i < typed.size(); ++i)
        EXPECT_NEAR(typed[i], 3.6 + 0.03 * double(i), eps);
    for (const Frame& f : frames)
        if (f.t > 3.6 - eps && f.t < 4.05) {
            EXPECT_EQ(f.hud, Kind::done);
        }
    EXPECT_NEAR(when([](auto& f) { return f.hud == Kind::idle; }, 3.7), 4.65, eps);
    // The next cycle starts cleared at 7.05 and presses again 0.9 s later.
    EXPECT_NEAR(when([](auto& f) { return f.text.isEmpty(); }, 4.7), 7.05, eps);
    EXPECT_NEAR(when([](auto& f) { return f.fn; }, 7.0), 7.95, eps);
    EXPECT_TRUE(stage->caps()[0]->isVisible());
}

TEST_F(DemoStageTest, RecallPressesShiftFirstAndFillsTheAddressAtOnce) {
    make(Lesson::recall);
    runTo(5.85 + 0.5);
    EXPECT_NEAR(when([](auto& f) { return f.shift; }), 0.9, eps);
    EXPECT_NEAR(when([](auto& f) { return f.fn; }), 1.15, eps);
    EXPECT_NEAR(when([](auto& f) { return f.hud == Kind::listening; }), 1.15, eps);
    // Both keys come up together as the HUD starts thinking.
    EXPECT_NEAR(when([](auto& f) { return !f.fn && !f.shift && f.hud == Kind::processing; }), 2.35, eps);
    const double filled = when([](auto& f) { return f.text == "上海市浦东新区示例路 88 号"; });
    EXPECT_NEAR(filled, 2.85, eps);
    EXPECT_NEAR(when([](auto& f) { return f.hud == Kind::done; }), 2.85, eps);
    EXPECT_NEAR(when([](auto& f) { return f.hud == Kind::idle; }, 2.9), 3.45, eps);
    EXPECT_NEAR(when([](auto& f) { return f.text.isEmpty(); }, 3.0), 5.85, eps);
    // The label names the form; shift stands left of the hotkey.
    EXPECT_EQ(stage->label(), "收货信息");
    ASSERT_EQ(stage->caps().size(), 2u);
    EXPECT_LT(stage->caps()[0]->x(), stage->caps()[1]->x());
}

TEST_F(DemoStageTest, TypingOffersTheChipAndTabAppendsTheAddress) {
    make(Lesson::typing);
    runTo(6.07 + 0.5);
    const auto typed = textTimes(0.5, 1.5);
    ASSERT_EQ(typed.size(), 12u);
    for (std::size_t i = 0; i < typed.size(); ++i)
        EXPECT_NEAR(typed[i], 0.9 + 0.045 * double(i), eps);
    // The chip 0.395 s after the last character, 1.1 s before Tab, which is down for 0.18 s.
    const double last = typed.back();
    EXPECT_NEAR(when([](auto& f) { return f.chip; }), last + 0.395, eps);
    EXPECT_NEAR(when([](auto& f) { return f.tab; }), last + 0.395 + 1.1, eps);
    const double accepted = when([](auto& f) { return f.text.endsWith("88 号"); });
    EXPECT_NEAR(accepted, last + 0.395 + 1.1 + 0.18, eps);
    const Frame& end =
        *std::find_if(frames.begin(), frames.end(), [&](auto& f) { return f.t >= accepted - eps; });
    EXPECT_FALSE(end.tab);
    EXPECT_FALSE(end.chip);
    EXPECT_EQ(end.text, "收件人：唐小禾，我的地址：上海市浦东新区示例路 88 号");
    EXPECT_NEAR(when([](auto& f) { return f.text.isEmpty(); }, 3.5), 6.07, eps);
    for (const Frame& f : frames)
        EXPECT_EQ(f.hud, Kind::idle);
    EXPECT_EQ(stage->label(), "消息");
}

TEST_F(DemoStageTest, AHiddenWindowHoldsTheScriptAtTheEndOfItsPause) {
    window.resize(400, 300);
    make(Lesson::dictate, false, true);
    runTo(1.5); // the hotkey is down, 1.3 s of its 1.9 s pause left
    WindowVisible::set(&window, false);
    EXPECT_TRUE(stage->caret().on());
    runTo(3.9);
    // The pause ran out at 2.8, but nothing moved since.
    EXPECT_TRUE(stage->player().fn());
    EXPECT_TRUE(stage->caret().on());
    WindowVisible::set(&window, true);
    // Polls every 0.3 s from 2.8: the script goes on at the first one after the window came back.
    runTo(4.0 - 0.001);
    EXPECT_TRUE(stage->player().fn());
    runTo(4.0 + 0.001);
    EXPECT_FALSE(stage->player().fn());
    EXPECT_EQ(stage->player().hud().kind, Kind::processing);
}

TEST_F(DemoStageTest, SwitchingTheLessonClearsTheStageAndStartsTheNewScript) {
    make(Lesson::dictate);
    runTo(3.7); // the sentence half typed, the HUD done
    ASSERT_FALSE(stage->player().text().isEmpty());
    stage->setLesson(Lesson::typing);
    EXPECT_TRUE(stage->player().text().isEmpty());
    EXPECT_EQ(stage->player().hud().kind, Kind::idle);
    EXPECT_FALSE(stage->player().fn());
    ASSERT_EQ(stage->caps().size(), 1u);
    EXPECT_FALSE(stage->caps()[0]->capRect().top() > 0);
    const std::size_t before = frames.size();
    runTo(3.7 + 0.9 - 0.001);
    EXPECT_TRUE(stage->player().text().isEmpty());
    runTo(3.7 + 0.9 + 0.001);
    EXPECT_EQ(stage->player().text(), "收");
    // Nothing of the old script came after the switch.
    for (std::size_t i = before; i < frames.size(); ++i)
        EXPECT_NE(frames[i].hud, Kind::done);
}

TEST_F(DemoStageTest, ReducedMotionShowsOnlyTheResult) {
    for (Lesson lesson : Lessons::all) {
        frames.clear();
        make(lesson, true);
        const QString end = lesson == Lesson::dictate  ? "明天下午三点开会，记得带电脑。"
                            : lesson == Lesson::recall ? "上海市浦东新区示例路 88 号"
                                                       : "我的地址：上海市浦东新区示例路 88 号";
        EXPECT_EQ(stage->player().text(), end);
        bool blinked = false;
        for (int i = 0; i < 40; ++i) {
            runTo(0.25 * i);
            blinked |= !stage->caret().on();
        }
        EXPECT_TRUE(blinked) << "the caret still blinks";
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].text, end);
        EXPECT_FALSE(stage->pillUp());
        EXPECT_FALSE(stage->chipUp());
        for (KeyCap* cap : stage->caps())
            EXPECT_EQ(cap->capRect().top(), 0);
    }
}

TEST_F(DemoStageTest, PicturesOfEachLessonAtFixedMoments) {
    struct Shot {
        Lesson lesson;
        double t;
        const char* name;
    };
    const Shot shots[] = {
        {Lesson::dictate, 2.0, "dictate-listening"}, {Lesson::dictate, 4.2, "dictate-typing"},
        {Lesson::recall, 2.0, "recall-listening"},   {Lesson::recall, 3.2, "recall-filled"},
        {Lesson::typing, 2.3, "typing-chip"},        {Lesson::typing, 3.3, "typing-accepted"}};
    for (const Shot& shot : shots) {
        frames.clear();
        make(shot.lesson);
        stage->setAutoFillBackground(true);
        runTo(shot.t);
        const bool hud = shot.lesson != Lesson::typing;
        // The springs run in real time: wait for the pill to settle, however busy the machine.
        (void)QTest::qWaitFor([&] { return !hud || std::abs(stage->pillShown() - 1.0) < 0.01; }, 20000);
        saveArtefact(stage->grab().toImage(), QString("demo-%1").arg(shot.name));
        EXPECT_EQ(stage->pillUp(), hud) << shot.name;
        if (hud) {
            EXPECT_NEAR(stage->pillShown(), 1.0, 0.01);
        }
        EXPECT_EQ(stage->chipUp(), QString(shot.name) == "typing-chip") << shot.name;
    }
    // The pill hangs inside the window's bottom row; the chip just under the field.
    make(Lesson::typing);
    runTo(2.3);
    const auto placed = [&] {
        return std::abs(stage->chipRect().top() - (stage->fieldRect().bottom() + 2)) <= 0.5 &&
               std::abs(stage->chipRect().width() - stage->chip()->width() * 0.82) <= 0.5;
    };
    (void)QTest::qWaitFor(placed, 20000);
    EXPECT_NEAR(stage->chipRect().top(), stage->fieldRect().bottom() + 2, 0.5);
    EXPECT_NEAR(stage->chipRect().width(), stage->chip()->width() * 0.82, 0.5);
    EXPECT_TRUE(stage->windowRect().contains(stage->fieldRect()));
}

// The stage's keys, left to right, as a PC keyboard prints them: the recall lesson's Shift stands before
// the hotkey, as it goes down first.
TEST_F(DemoStageTest, TheKeysStandInTheirOrderAsAPCKeyboardPrintsThem) {
    const std::pair<Lesson, QStringList> cases[] = {
        {Lesson::dictate, {"右 Ctrl"}}, {Lesson::recall, {"Shift", "右 Ctrl"}}, {Lesson::typing, {"Tab"}}};
    for (const auto& [lesson, labels] : cases) {
        make(lesson);
        QStringList shown;
        for (const KeyCap* cap : stage->caps())
            shown << cap->label();
        EXPECT_EQ(shown, labels);
        std::vector<double> lefts;
        for (const KeyCap* cap : stage->caps())
            lefts.push_back(cap->x());
        EXPECT_TRUE(std::is_sorted(lefts.begin(), lefts.end()));
    }
}
