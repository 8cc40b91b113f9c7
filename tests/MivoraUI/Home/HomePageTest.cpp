// The home page on the window model over fakes: the fake clock decides the greeting, the fake scheduler
// the tips and the entrance, the fake clipboard takes the copied text.
#include "MivoraUI/Home/HomePage.h"

#include "Insertion/TextInserter.h"
#include "MivoraUI/Home/LessonCard.h"
#include "MivoraUI/Home/RollingNumber.h"
#include "MivoraUI/Home/TipText.h"
#include "MivoraUI/Kit/LayerEffect.h"

#include "support/PageServices.h"
#include "support/ScopedEnv.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

class HomeTest : public ::testing::Test {
protected:
    HomePage& open() {
        page = std::make_unique<HomePage>(*services.model);
        page->resize(820, 900);
        page->show();
        QApplication::processEvents();
        return *page;
    }
    template <typename T = QWidget> T* find(const char* name) const {
        T* found = page->findChild<T*>(name);
        EXPECT_TRUE(found) << name;
        return found;
    }
    QString text(const char* name) const { return find<QLabel>(name)->text(); }
    QString figure(const char* name) const { return find<RollingNumber>(name)->text(); }

    PageServices services;
    std::unique_ptr<HomePage> page;
};

} // namespace

TEST_F(HomeTest, GreetsByTheLocalHourEachTimeThePageShows) {
    const ScopedEnv zone("TZ", "Asia/Shanghai");
    open();
    const std::pair<QTime, const char*> cases[] = {
        {QTime(4, 59), "晚上好"},  {QTime(5, 0), "早上好"},   {QTime(10, 59), "早上好"},
        {QTime(11, 0), "中午好"},  {QTime(13, 59), "中午好"}, {QTime(14, 0), "下午好"},
        {QTime(17, 59), "下午好"}, {QTime(18, 0), "晚上好"},
    };
    for (const auto& [time, greeting] : cases) {
        services.clock.setNow(QDateTime(QDate(2025, 3, 7), time).toUTC());
        page->hide();
        page->show();
        EXPECT_EQ(text("greeting"), QString::fromUtf8(greeting)) << time.toString().toStdString();
    }
}

TEST_F(HomeTest, StatusLineBannerAndCardsLeadToTheirPages) {
    services.defaults.setValue("fnKey", "Alt_R");
    open();
    services.setSetup(true, true, true, false);
    EXPECT_EQ(text("status"), "还差几步就能用了。");
    EXPECT_TRUE(find("banner")->isVisible());
    EXPECT_EQ(text("bannerTitle"), "还差 1 步设置") << "the cloud alone still counts one step";
    EXPECT_EQ(text("bannerDetail"), "云端识别还没配置");

    services.setSetup(false, true, false, true);
    EXPECT_EQ(text("bannerTitle"), "还差 2 步设置");
    EXPECT_EQ(text("bannerDetail"), "打开权限后，按住 右 Alt 就能说话");
    // Every permission on: the banner names the hotkey that cannot be held, as the steps do.
    services.platform.fake.keyboard.hotkeys["Alt_R"] = KeyboardProbe::KeyState::missing;
    services.setSetup(true, true, false, true);
    EXPECT_EQ(text("bannerTitle"), "还差 1 步设置");
    EXPECT_EQ(text("bannerDetail"), "键盘上没有 右 Alt：换一个键，按住它就能说话");
    services.platform.fake.keyboard.hotkeys["Alt_R"] = KeyboardProbe::KeyState::taken;
    services.setSetup(true, true, false, true);
    EXPECT_EQ(text("bannerDetail"), "右 Alt 被别的程序占用了：换一个键，或者在那个程序里把它让出来");

    services.setSetup(true, true, true, true);
    QApplication::processEvents();
    EXPECT_EQ(text("status"), "在任何地方，说一句就写好。");
    EXPECT_FALSE(find("banner")->isVisible());
    EXPECT_EQ(find("cards")->y(), find("header")->geometry().bottom() + 1 + 26) << "no gap where it stood";

    // Signed out where the build needs an account: every take is refused, so the page does not say it works.
    services.setup.setAccountReady(false);
    EXPECT_EQ(text("status"), "还差几步就能用了。");
    EXPECT_TRUE(find("banner")->isVisible());
    EXPECT_EQ(text("bannerTitle"), "还差 1 步设置");
    EXPECT_EQ(text("bannerDetail"), "登录账号后，按住 右 Alt 就能说话");
    services.setup.setAccountReady(true);
    EXPECT_EQ(text("status"), "在任何地方，说一句就写好。");

    find<QAbstractButton>("finishSetup")->click();
    EXPECT_EQ(services.model->section(), AppModel::Section::settings);
    // A lesson card opens the tutorial at its lesson.
    QTest::mouseClick(find<LessonCard>("lesson-1"), Qt::LeftButton);
    EXPECT_EQ(services.model->section(), AppModel::Section::tutorial);
    EXPECT_EQ(services.model->lesson(), Lesson::recall);
}

TEST_F(HomeTest, FiguresAreWholeMinutesAndPlainDigits) {
    open();
    services.stats.record(39, false);
    EXPECT_EQ(figure("minutesSaved"), "0");
    services.stats.record(1, false);
    EXPECT_EQ(figure("minutesSaved"), "1");
    EXPECT_EQ(figure("today"), "2");
    services.stats.record(12305, false);
    EXPECT_EQ(figure("chars"), "12345");
}

TEST_F(HomeTest, CopiesTheLastDictatedTextOnceThereIsOne) {
    open();
    auto* copy = find<QAbstractButton>("copyLast");
    EXPECT_FALSE(copy->isVisible());
    services.dictate("下午三点开会");
    ASSERT_TRUE(copy->isVisible());
    services.platform.fake.pasteboard.write({{{"image/png", "png"}, {"text/html", "<b>x</b>"}}});
    copy->click();
    EXPECT_EQ(services.platform.fake.pasteboard.itemCount(), 1);
    EXPECT_EQ(services.platform.fake.pasteboard.types(0), QStringList{TextInserter::textType});
    EXPECT_EQ(services.platform.fake.pasteboard.value(TextInserter::textType), "下午三点开会");
}

TEST_F(HomeTest, TipsAdvanceEveryEightSecondsWrapAndStopWhileHidden) {
    open();
    const QStringList tips = HomePage::tips(services.model->hotkeyName());
    EXPECT_EQ(tips[0], "说长段时按 右 Ctrl+空格，可以松开手说，再按一次 右 Ctrl 结束。");
    EXPECT_EQ(tips[5], "识别没成功时，托盘图标里可以「重试上一段」。");
    for (int i = 0; i < 6 && page->tip() != 5; ++i)
        services.scheduler.advance(HomePage::tipInterval);
    ASSERT_EQ(page->tip(), 5);
    services.scheduler.advance(HomePage::tipInterval);
    EXPECT_EQ(page->tip(), 0);
    EXPECT_EQ(find<TipText>("tip")->text(), tips[0]);

    page->hide();
    services.scheduler.advance(5 * HomePage::tipInterval);
    EXPECT_EQ(page->tip(), 0);
    EXPECT_EQ(services.scheduler.pending(), 0u);
}

// A later block stays hidden until its turn, and every block ends up drawing itself (no effect left over).
TEST_F(HomeTest, BlocksRiseInStaggeredThenDrawThemselves) {
    open();
    QWidget* tips = find("tips");
    ASSERT_TRUE(tips->graphicsEffect()) << "hidden until its turn";
    services.scheduler.advance(0.17);
    const auto* effect = qobject_cast<LayerEffect*>(tips->graphicsEffect());
    ASSERT_TRUE(effect);
    EXPECT_EQ(effect->look().opacity, 0) << "its turn comes at 0.18 s";
    EXPECT_EQ(effect->look().offset, QPointF(0, 10));
    services.scheduler.advance(0.02);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return !tips->graphicsEffect() && !find("header")->graphicsEffect(); }, 10000));
}
