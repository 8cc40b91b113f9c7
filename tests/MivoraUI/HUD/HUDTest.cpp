#include "MivoraUI/HUD/ChoiceList.h"
#include "MivoraUI/HUD/HUDPanel.h"
#include "MivoraUI/HUD/HUDPill.h"
#include "MivoraUI/HUD/HUDView.h"
#include "MivoraUI/HUD/LevelRow.h"
#include "MivoraUI/HUD/NoticeRow.h"
#include "MivoraUI/HUD/RecDot.h"
#include "MivoraUI/HUD/VoiceBars.h"
#include "MivoraUI/Kit/LayerEffect.h"
#include "MivoraUI/Kit/SymbolView.h"
#include "MivoraUI/Kit/WindowVisible.h"

#include "support/MemoryDefaults.h"
#include "support/Render.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

const HUDOptions moving{false, "右 Ctrl"};
const HUDOptions still{true, "右 Ctrl"};

QList<RecallChoice> choices() {
    return {{"a1", "家里地址", "上海市徐汇区漕溪北路 88 号\n3 号楼", false},
            {"b2", "身份证号", RecallChoice::sensitivePreview, true},
            {"c3", "公司电话", "\n\n021-5555 0101", false}};
}

// Draws a pill for a fixed phase and keeps the picture.
QImage shoot(HUDPill& pill, const QString& name) {
    pill.show();
    QApplication::processEvents();
    const QImage image = pill.grab().toImage();
    saveArtefact(image, "hud-" + name);
    return image;
}

} // namespace

TEST(HUD, PlacedAtTheBottomCentreOfTheScreenUnderTheMouse) {
    const QList<HUDPanel::Screen> screens{
        {QRect(0, 0, 1280, 800), QRect(0, 0, 1280, 760)},          // a panel along the bottom
        {QRect(1280, 0, 1920, 1080), QRect(1280, 30, 1920, 1050)}, // a bar along the top
    };
    EXPECT_EQ(HUDPanel::origin(screens, 0, {2000, 500}), QPoint(1280 + 960 - 210, 1080 - 10 - 260));
    EXPECT_EQ(HUDPanel::origin(screens, 0, {100, 100}), QPoint(640 - 210, 760 - 10 - 260));
    // No screen under the mouse: the primary one; no screens at all: stay where it is.
    EXPECT_EQ(HUDPanel::origin(screens, 1, {-500, -500}), QPoint(1280 + 960 - 210, 1080 - 10 - 260));
    EXPECT_EQ(HUDPanel::origin({}, -1, {0, 0}), std::nullopt);
}

TEST(HUD, EachRowShowsWhatThePhaseNeedsAndALongErrorIsCutToThePillsWidest) {
    HUDPill plain(VoicePhase::listening(false), VoiceMode::dictate, 0.5f, moving);
    shoot(plain, "listening");

    // The hands-free hint names the key the settings make the hotkey.
    MemoryDefaults defaults;
    defaults.setValue("fnKey", "Alt_R");
    HUDPill free(VoicePhase::listening(true), VoiceMode::recall, 0.7f, HUDOptions::from(defaults));
    auto* row = qobject_cast<LevelRow*>(free.content());
    ASSERT_NE(row, nullptr);
    shoot(free, "hands-free-recall");
    EXPECT_EQ(row->hint()->text(), "右 Alt 结束");
    // After a change of the hotkey the hint names the new key, in the row shown now and the next ones.
    free.setHotkey("F8");
    EXPECT_EQ(row->hint()->text(), "F8 结束");
    free.setState(VoicePhase::done(), VoiceMode::recall, 0);
    free.setState(VoicePhase::listening(true), VoiceMode::recall, 0.7f);
    row = qobject_cast<LevelRow*>(free.content());
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->hint()->text(), "F8 结束");

    // Into processing the row stays (its bars glide into the wave) and the hint goes.
    free.setState(VoicePhase::processing(), VoiceMode::recall, 0);
    EXPECT_EQ(free.content(), row);
    EXPECT_FALSE(row->hint()->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return free.size() == free.sizeHint(); }, 2000));
    shoot(free, "processing-recall");

    // A long error is cut with an ellipsis to the pill's widest, its text starting inside the pill.
    const QString longText = QString("识别服务暂时不可用，请检查网络连接后重试。").repeated(4);
    HUDPill error(VoicePhase::notice(longText, true), VoiceMode::dictate, 0, moving);
    auto* notice = qobject_cast<NoticeRow*>(error.content());
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isError());
    EXPECT_TRUE(notice->shownText().endsWith(QChar(0x2026))) << notice->shownText().toStdString();
    EXPECT_TRUE(longText.startsWith(notice->shownText().chopped(1)));
    EXPECT_LE(error.width(), HUDPill::maxWidth);
    EXPECT_GE(error.content()->x(), 16);
    shoot(error, "error-notice");

    HUDPill choosing(VoicePhase::choosing(choices(), QString("b2")), VoiceMode::recall, 0, moving);
    shoot(choosing, "choosing-armed");
}

// The view springs the pill up when a take starts, holds its pose through level updates and fades it when
// idle; under reduced motion the pill only fades.
TEST(HUD, ViewShowsThePillForATakeAndUnderReducedMotionOnlyFades) {
    for (bool reduce : {false, true}) {
        HUDView view(reduce ? still : moving);
        view.show();
        auto* pose = qobject_cast<LayerEffect*>(view.pill()->graphicsEffect());
        ASSERT_NE(pose, nullptr);
        EXPECT_EQ(view.shown(), 0);
        view.setState(VoicePhase::listening(false), VoiceMode::dictate, 0);
        double smallest = 1;
        double lowest = 0;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                smallest = std::min(smallest, pose->look().scale);
                lowest = std::max(lowest, pose->look().offset.y());
                return view.shown() == 1.0;
            },
            2000));
        if (reduce) {
            EXPECT_EQ(smallest, 1.0);
            EXPECT_EQ(lowest, 0.0);
            continue;
        }
        EXPECT_LT(smallest, 0.95);
        EXPECT_GT(lowest, 3.0);
        saveArtefact(view.grab().toImage(), "hud-view-listening");
        view.setState(VoicePhase::listening(false), VoiceMode::dictate, 0.9f);
        EXPECT_EQ(view.shown(), 1.0);
        view.setState(VoicePhase::idle(), VoiceMode::dictate, 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return view.shown() == 0.0; }, 2000));
    }
}

// Without a compositor the pill never fades: every frame of its coming and going is drawn opaque (a
// half-transparent one would show darkened towards black), while with one it fades as it shrinks.
TEST(HUD, ThePillFadesOnlyWhereTheWindowCanBeSeenThrough) {
    for (bool fades : {true, false}) {
        HUDView view(moving);
        view.setFades(fades);
        view.show();
        auto* pose = qobject_cast<LayerEffect*>(view.pill()->graphicsEffect());
        ASSERT_NE(pose, nullptr);
        double faintest = 1;
        const auto watch = [&](double until) {
            return QTest::qWaitFor(
                [&] {
                    faintest = std::min(faintest, pose->look().opacity);
                    return view.shown() == until;
                },
                2000);
        };
        view.setState(VoicePhase::notice(QStringLiteral("没听清，再说一次"), false), VoiceMode::dictate, 0);
        EXPECT_TRUE(watch(1.0));
        view.setState(VoicePhase::idle(), VoiceMode::dictate, 0);
        EXPECT_TRUE(watch(0.0));
        if (fades)
            EXPECT_LT(faintest, 0.5);
        else
            EXPECT_EQ(faintest, 1.0) << "a frame drawn half transparent";
    }
}

TEST(HUD, BarsRunOnlyWhileTheyCanBeSeen) {
    QWidget window;
    auto* bars = new VoiceBars(BarsMode::think, false, &window);
    const auto stepsWithin = [&](int ms) {
        const double before = bars->engine().last;
        QTest::qWait(ms);
        return bars->engine().last != before;
    };
    EXPECT_FALSE(stepsWithin(60)) << "not shown yet";
    window.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return bars->engine().last != 0; }, 1000));
    EXPECT_TRUE(stepsWithin(100));
    WindowVisible::set(&window, false);
    EXPECT_FALSE(stepsWithin(100)) << "the window is covered";
    WindowVisible::set(&window, true);
    EXPECT_TRUE(stepsWithin(100));
    window.hide();
    EXPECT_FALSE(stepsWithin(100));
}

// Without a compositor the window's transparent area would show black: in every phase only the pill's rounded
// shape is left of the window, as drawn in its pose, however the pill grew or shrank on the way there.
TEST(HUD, WithoutACompositorEveryPhaseIsCutToThePill) {
    HUDPanel panel(moving, /*composited=*/false);
    panel.show();
    const QList<std::pair<const char*, VoicePhase>> phases{
        {"listening", VoicePhase::listening(false)},
        {"notice", VoicePhase::notice("已复制到剪贴板", false)},
        {"error", VoicePhase::notice(QString("网络不太稳定，").repeated(8), true)},
        {"choosing", VoicePhase::choosing(choices(), std::nullopt)},
        {"processing", VoicePhase::processing()},
        {"hands-free", VoicePhase::listening(true)},
        {"done", VoicePhase::done()},
        {"idle", VoicePhase::idle()},
    };
    for (const auto& [name, phase] : phases) {
        panel.setState(phase, VoiceMode::dictate, 0.5f);
        HUDPill* pill = panel.view()->pill();
        // The pill has grown or shrunk to its content, and come or gone.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                const double shown = panel.view()->shown();
                return pill->size() == pill->sizeHint() && (shown == 0.0 || shown == 1.0);
            },
            3000))
            << name;
        QApplication::processEvents();
        const QRect shape = panel.view()->posedPillRect().toRect();
        if (panel.view()->shown() == 1.0) {
            EXPECT_EQ(shape, panel.view()->pillRect()) << name;
        }
        const QRegion mask = panel.mask();
        EXPECT_FALSE(mask.isEmpty()) << name;
        EXPECT_EQ(mask.boundingRect(), shape) << name;
        EXPECT_TRUE(mask.contains(shape.center())) << name;
        EXPECT_FALSE(mask.contains(shape.topLeft())) << name << ": the corners are rounded off";
        EXPECT_FALSE(mask.contains(QPoint(0, 0))) << name;
    }
}

// A choice's line is its preview's first non-empty line, or the press-again prompt when armed; a megabyte
// on one line gives only what the row can show, so a frame of the choices costs what a short one does.
TEST(HUD, AChoiceShowsItsFirstLineCutToWhatTheRowShows) {
    const QList<RecallChoice> some = choices();
    EXPECT_EQ(ChoiceList::subtitle(some[0], 1, std::nullopt), "上海市徐汇区漕溪北路 88 号");
    EXPECT_EQ(ChoiceList::subtitle(some[2], 3, std::nullopt), "021-5555 0101");
    EXPECT_EQ(ChoiceList::subtitle(some[2], 3, QString("c3")), "再按 3 填入");
    EXPECT_EQ(ChoiceList::subtitle({"d4", "空", "\n\n", false}, 1, std::nullopt), "");

    const QString megabyte = QString("上海市徐汇区漕溪北路 88 号").repeated(1 << 16);
    const QString shown =
        ChoiceList::subtitle({"e5", "长", "\n" + megabyte + "\n下一行", false}, 1, std::nullopt);
    EXPECT_LE(shown.size(), 700);
    EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
    EXPECT_TRUE(megabyte.startsWith(shown.chopped(1)));
}
