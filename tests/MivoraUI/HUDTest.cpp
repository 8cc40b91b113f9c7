#include "MivoraUI/ChoiceList.h"
#include "MivoraUI/HUDPanel.h"
#include "MivoraUI/HUDPill.h"
#include "MivoraUI/HUDView.h"
#include "MivoraUI/LayerEffect.h"
#include "MivoraUI/LevelRow.h"
#include "MivoraUI/NoticeRow.h"
#include "MivoraUI/RecDot.h"
#include "MivoraUI/SymbolView.h"
#include "MivoraUI/VoiceBars.h"
#include "MivoraUI/WindowVisible.h"

#include "support/MemoryDefaults.h"
#include "support/Render.h"

#include <QLabel>
#include <QPointer>
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

TEST(HUD, AnimationKeyChangesWithTheContentButNotWithTheLevel) {
    EXPECT_EQ(HUDPill::animationKey(VoicePhase::listening(false)), "listen");
    EXPECT_EQ(HUDPill::animationKey(VoicePhase::listening(true)), "free");
    EXPECT_EQ(HUDPill::animationKey(VoicePhase::notice("已复制", false)), "n:已复制");
    EXPECT_EQ(HUDPill::animationKey(VoicePhase::notice("已复制", true)), "n:已复制");
    EXPECT_EQ(HUDPill::animationKey(VoicePhase::choosing(choices(), std::nullopt)), "c:");
    EXPECT_EQ(HUDPill::animationKey(VoicePhase::choosing(choices(), QString("b2"))), "c:b2");
    EXPECT_EQ(HUDPill::animationKey(VoicePhase::idle()), "idle");
    EXPECT_EQ(HUDPill::animationKey(VoicePhase::processing()), "proc");
    EXPECT_EQ(HUDPill::animationKey(VoicePhase::done()), "done");
}

TEST(HUD, ChoiceSubtitleIsThePromptWhenArmedElseThePreviewsFirstNonEmptyLine) {
    const QList<RecallChoice> c = choices();
    EXPECT_EQ(ChoiceList::subtitle(c[1], 2, QString("b2")), "再按 2 填入");
    EXPECT_EQ(ChoiceList::subtitle(c[1], 2, std::nullopt), RecallChoice::sensitivePreview);
    EXPECT_EQ(ChoiceList::subtitle(c[0], 1, QString("b2")), "上海市徐汇区漕溪北路 88 号");
    EXPECT_EQ(ChoiceList::subtitle(c[2], 3, std::nullopt), "021-5555 0101");
    EXPECT_EQ(ChoiceList::subtitle({"d", "空", "\n\n\n", false}, 4, std::nullopt), "");
    EXPECT_EQ(ChoiceList::subtitle({"e", "空", "", false}, 5, std::nullopt), "");
}

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

TEST(HUD, ListeningAndProcessingRowsShowWhatTheTakeNeeds) {
    HUDPill plain(VoicePhase::listening(false), VoiceMode::dictate, 0.5f, moving);
    auto* row = qobject_cast<LevelRow*>(plain.content());
    ASSERT_NE(row, nullptr);
    shoot(plain, "listening");
    EXPECT_EQ(plain.size(), QSize(128, 40));
    EXPECT_FALSE(row->dot()->isVisible());
    EXPECT_FALSE(row->magnifier()->isVisible());
    EXPECT_FALSE(row->hint()->isVisible());

    HUDPill free(VoicePhase::listening(true), VoiceMode::recall, 0.7f, moving);
    row = qobject_cast<LevelRow*>(free.content());
    ASSERT_NE(row, nullptr);
    for (int k = 0; k < 20; ++k)
        row->bars()->advance(50 + k / 60.0);
    shoot(free, "hands-free-recall");
    const QList<QWidget*> order{row->dot(), row->magnifier(), row->bars(), row->hint()};
    for (qsizetype i = 0; i < order.size(); ++i) {
        EXPECT_TRUE(order[i]->isVisible()) << i;
        if (i > 0) {
            EXPECT_LT(order[i - 1]->x(), order[i]->x()) << i;
        }
    }
    EXPECT_LE(free.width(), HUDPill::maxWidth);
    EXPECT_GT(row->bars()->engine().heights[6], 4.0) << "the level moves the centre bar";

    // Into processing the row and its bars stay (they glide into the wave); dot and hint go.
    VoiceBars* bars = row->bars();
    free.setState(VoicePhase::processing(), VoiceMode::recall, 0);
    EXPECT_EQ(free.content(), row);
    EXPECT_EQ(row->bars(), bars);
    EXPECT_EQ(bars->mode(), BarsMode::think);
    EXPECT_TRUE(row->magnifier()->isVisible());
    EXPECT_FALSE(row->dot()->isVisible());
    EXPECT_FALSE(row->hint()->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return free.size() == free.sizeHint(); }, 2000));
    shoot(free, "processing-recall");
}

// The hands-free hint names the key the settings make the hotkey, and the settings' reduce motion holds.
TEST(HUD, OptionsFollowTheSettings) {
    MemoryDefaults defaults;
    for (const auto& [key, hint] : {std::pair{"Control_R", "右 Ctrl 结束"}, {"Alt_R", "右 Alt 结束"}}) {
        defaults.setValue("fnKey", key);
        HUDPill pill(VoicePhase::listening(true), VoiceMode::dictate, 0, HUDOptions::from(defaults));
        auto* row = qobject_cast<LevelRow*>(pill.content());
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->hint()->text(), hint);
    }
    EXPECT_FALSE(HUDOptions::from(defaults).reduceMotion);
    defaults.setValue("reduceMotion", true);
    EXPECT_TRUE(HUDOptions::from(defaults).reduceMotion);
}

TEST(HUD, DoneNoticeAndChoicesReplaceTheRowAndSizeThePill) {
    HUDPill pill(VoicePhase::listening(false), VoiceMode::dictate, 0, still);
    QPointer<QWidget> row = pill.content();
    pill.setState(VoicePhase::done(), VoiceMode::dictate, 0);
    auto* tick = qobject_cast<SymbolView*>(pill.content());
    ASSERT_NE(tick, nullptr);
    EXPECT_EQ(tick->name(), "checkmark");
    EXPECT_TRUE(QTest::qWaitFor([&] { return row.isNull(); }, 2000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return pill.size() == QSize(24 + 32, 40); }, 2000));
    shoot(pill, "done");

    HUDPill hint(VoicePhase::notice("已复制到剪贴板，按 Ctrl+V 粘贴", false), VoiceMode::dictate, 0, moving);
    auto* notice = qobject_cast<NoticeRow*>(hint.content());
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->shownText(), "已复制到剪贴板，按 Ctrl+V 粘贴");
    EXPECT_FALSE(notice->isError());
    shoot(hint, "notice");

    const QString longText = QString("识别服务暂时不可用，请检查网络连接后重试。").repeated(4);
    HUDPill error(VoicePhase::notice(longText, true), VoiceMode::dictate, 0, moving);
    notice = qobject_cast<NoticeRow*>(error.content());
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isError());
    EXPECT_TRUE(notice->shownText().endsWith(QChar(0x2026))) << notice->shownText().toStdString();
    EXPECT_TRUE(longText.startsWith(notice->shownText().chopped(1)));
    EXPECT_LE(error.width(), HUDPill::maxWidth);
    EXPECT_GE(error.content()->x(), 16) << "the text starts inside the pill";
    shoot(error, "error-notice");

    HUDPill choosing(VoicePhase::choosing(choices(), QString("b2")), VoiceMode::recall, 0, moving);
    auto* list = qobject_cast<ChoiceList*>(choosing.content());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->width(), 300);
    EXPECT_EQ(choosing.size(), QSize(300 + 32, list->height() + 24));
    const QImage armed = shoot(choosing, "choosing-armed");
    choosing.setState(VoicePhase::choosing(choices(), std::nullopt), VoiceMode::recall, 0);
    EXPECT_EQ(choosing.content(), list) << "arming a row keeps the list";
    EXPECT_NE(choosing.grab().toImage(), armed);
}

TEST(HUD, ViewSpringsThePillUpWhenATakeStartsAndFadesItWhenIdle) {
    HUDView view(moving);
    view.show();
    EXPECT_EQ(view.size(), QSize(420, 260));
    EXPECT_EQ(view.shown(), 0);
    view.setState(VoicePhase::listening(false), VoiceMode::dictate, 0.4f);
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.shown() == 1.0; }, 2000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.pillRect() == QRect(146, 260 - 14 - 40, 128, 40); }, 2000));
    const QImage image = view.grab().toImage();
    saveArtefact(image, "hud-view-listening");
    // Level updates alone leave the pose as it is.
    view.setState(VoicePhase::listening(false), VoiceMode::dictate, 0.9f);
    EXPECT_EQ(view.shown(), 1.0);
    view.setState(VoicePhase::idle(), VoiceMode::dictate, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.shown() == 0.0; }, 2000));
}

TEST(HUD, UnderReducedMotionThePillOnlyFades) {
    for (bool reduce : {false, true}) {
        HUDView view(reduce ? still : moving);
        view.show();
        auto* pose = qobject_cast<LayerEffect*>(view.pill()->graphicsEffect());
        ASSERT_NE(pose, nullptr);
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
        } else {
            EXPECT_LT(smallest, 0.95);
            EXPECT_GT(lowest, 3.0);
        }
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
