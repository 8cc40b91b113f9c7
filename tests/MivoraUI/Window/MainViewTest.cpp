#include "MivoraUI/Window/MainView.h"

#include "MivoraUI/Kit/StatusDot.h"
#include "MivoraUI/Kit/WindowVisible.h"
#include "MivoraUI/Welcome/WelcomeFlow.h"
#include "MivoraUI/Window/Sidebar.h"
#include "MivoraUI/Window/SidebarFooter.h"
#include "Support/BundleInfo.h"
#include "support/Render.h"
#include "support/WindowModelRig.h"

#include <QAccessible>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QSplitter>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

using Section = AppModel::Section;

class Window : public ::testing::Test {
protected:
    MainView& open(bool welcomeDone = true) {
        if (welcomeDone) rig.defaults.setValue("onboardingDone", true);
        rig.setup.refresh();
        view = std::make_unique<MainView>(rig.make());
        view->resize(960, 640);
        view->show();
        return *view;
    }
    // The page change has run its course.
    bool pageSettled() {
        return QTest::qWaitFor([&] { return view->page() && !view->page()->graphicsEffect(); });
    }
    QListWidget* rows() const { return view->sidebar()->list(); }
    int selectedRow() const {
        const QList<QListWidgetItem*> s = rows()->selectedItems();
        return s.isEmpty() ? -1 : rows()->row(s.first());
    }

    WindowModelRig rig;
    std::unique_ptr<MainView> view;
};

} // namespace

// Every section shows its page; shrunk as far as it goes, the window still holds the page at the page's own
// least size (the memories page's list and editor need 680 × 440).
TEST_F(Window, EverySectionShowsItsPageWithinTheWindowsLeastSize) {
    MainView& window = open();
    for (Section section : AppModel::sections) {
        window.resize(960, 640);
        rig.model->open(section);
        ASSERT_TRUE(pageSettled());
        EXPECT_EQ(window.page()->objectName(), AppModel::raw(section));
        EXPECT_EQ(selectedRow(), int(section));
        saveArtefact(window.grab().toImage(), "MainView-" + AppModel::raw(section));

        window.resize(100, 100);
        QApplication::processEvents();
        const QWidget* page = window.page();
        const QSize least(page->minimumWidth() > 0 ? page->minimumWidth() : page->minimumSizeHint().width(),
                          page->minimumHeight() > 0 ? page->minimumHeight()
                                                    : page->minimumSizeHint().height());
        EXPECT_GE(page->width(), least.width()) << AppModel::raw(section).toStdString();
        EXPECT_GE(page->height(), least.height()) << AppModel::raw(section).toStdString();
        EXPECT_GE(window.width(), MainView::narrowest);
        EXPECT_GE(window.height(), MainView::lowest);
    }
}

// The sidebar's edge is a plain hairline, no grip, and dragging it moves the sidebar's width within its
// bounds.
TEST_F(Window, TheSidebarsEdgeIsAHairlineThatResizesTheSidebar) {
    MainView& window = open();
    QSplitterHandle* edge = window.splitView()->handle(1);
    const QImage drawn = edge->grab().toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            colours.insert(drawn.pixel(x, y));
    EXPECT_LE(colours.size(), 2) << "the window's background and the line";
    EXPECT_EQ(edge->cursor().shape(), Qt::SplitHCursor);
    const QPoint middle = edge->rect().center();
    QTest::mousePress(edge, Qt::LeftButton, {}, middle);
    QTest::mouseMove(edge, middle + QPoint(200, 0));
    QTest::mouseRelease(edge, Qt::LeftButton, {}, middle + QPoint(200, 0));
    EXPECT_EQ(window.sidebar()->width(), Sidebar::maximumWidth);
}

TEST_F(Window, TheSelectedRowAlwaysStaysAndReselectingItKeepsThePage) {
    open();
    rig.model->open(Section::memories);
    ASSERT_TRUE(pageSettled());
    QWidget* page = view->page();
    const QRect row = rows()->visualItemRect(rows()->item(int(Section::memories)));
    QTest::mouseClick(rows()->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(view->page(), page) << "the same page, not a new one";
    EXPECT_FALSE(page->graphicsEffect()) << "no transition ran";
    // A control-click would clear the selection; the section and its row stay.
    QTest::mouseClick(rows()->viewport(), Qt::LeftButton, Qt::ControlModifier, row.center());
    EXPECT_EQ(selectedRow(), int(Section::memories));
    EXPECT_EQ(rig.model->section(), Section::memories);
    EXPECT_EQ(view->page(), page);

    const QRect home = rows()->visualItemRect(rows()->item(int(Section::home)));
    QTest::mouseClick(rows()->viewport(), Qt::LeftButton, {}, home.center());
    EXPECT_EQ(rig.model->section(), Section::home);
    EXPECT_EQ(view->page()->objectName(), "home");
    // The page going out stays on screen until it has slid away, then goes.
    const QPointer<QWidget> leaving(page);
    EXPECT_TRUE(leaving && leaving->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return leaving.isNull(); }, 5000));
}

TEST_F(Window, ARowChosenByAnAssistiveToolOpensItsSection) {
    open();
    // The row's toggle action, as a screen reader uses it: it selects the row beside the open one.
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(rows());
    ASSERT_TRUE(list && list->tableInterface());
    for (Section section : {Section::settings, Section::memories}) {
        QAccessibleInterface* cell = list->tableInterface()->cellAt(int(section), 0);
        ASSERT_TRUE(cell && cell->actionInterface());
        cell->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        EXPECT_EQ(rig.model->section(), section);
        EXPECT_EQ(rows()->selectedItems().size(), 1);
        EXPECT_EQ(selectedRow(), int(section));
    }
}

TEST_F(Window, TheFooterIsReadyOnlyWithEveryStepARecogniserAndTheAccountTheBuildNeeds) {
    open();
    SidebarFooter& footer = *view->sidebar()->footer();
    const auto shows = [&](const QString& headline, const QString& subline) {
        EXPECT_EQ(footer.headline(), headline);
        EXPECT_EQ(footer.subline(), subline);
    };
    rig.model->open(Section::memories);
    shows("就绪", "按住 右 Ctrl 说话");
    footer.click();
    EXPECT_EQ(rig.model->section(), Section::home);

    rig.cloud = false;
    rig.setup.refresh();
    shows("还差 1 步", "点这里完成设置");
    footer.click();
    EXPECT_EQ(rig.model->section(), Section::settings);

    rig.cloud = true;
    rig.platform.fake.audioInputs.present = false;
    rig.platform.fake.keyboard.watching = false;
    rig.setup.refresh();
    shows("还差 2 步", "点这里完成设置");

    // A relay build refuses every take until the user signs in.
    rig.platform.fake.audioInputs.present = true;
    rig.platform.fake.keyboard.watching = true;
    BundleInfo::setOverride({{"YarrikProxyURL", "https://relay.example/"}, {"YarrikProxyToken", "t"}});
    const std::shared_ptr<void> resetInfo(nullptr, [](void*) { BundleInfo::reset(); });
    rig.setup.refresh();
    shows("还差 1 步", "点这里完成设置");
    rig.model->open(Section::home);
    footer.click();
    EXPECT_EQ(rig.model->section(), Section::settings);
}

// A key or a relay put in place while the window is open: the footer on screen (its lines and its dot) turns
// ready at the setup model's next poll, with no other step changing, and back when the recogniser goes.
TEST_F(Window, TheFooterFollowsTheRecogniserAtTheNextPoll) {
    rig.cloud = false;
    open();
    rig.setup.startPolling();
    SidebarFooter& footer = *view->sidebar()->footer();
    const auto shown = [&] {
        QStringList lines;
        for (const QLabel* label : footer.findChildren<QLabel*>())
            lines << label->text();
        const StatusDot* dot = footer.findChild<StatusDot*>();
        return lines.join('|') + (dot && dot->ok() ? "|ok" : "|not ok");
    };
    EXPECT_EQ(shown(), "还差 1 步|点这里完成设置|not ok");
    rig.cloud = true;
    rig.scheduler.advance(SetupModel::pollInterval);
    EXPECT_EQ(shown(), "就绪|按住 右 Ctrl 说话|ok");
    rig.cloud = false;
    rig.scheduler.advance(SetupModel::pollInterval);
    EXPECT_EQ(shown(), "还差 1 步|点这里完成设置|not ok");
}

TEST_F(Window, TheWelcomeCoversTheWindowExactlyWhileItIsOnAndTheRestCannotBeReached) {
    rig.defaults.setValue("reduceMotion", true);
    MainView& window = open(/*welcomeDone*/ false);
    ASSERT_NE(window.welcome(), nullptr);
    EXPECT_TRUE(window.welcome()->isVisible());
    EXPECT_EQ(window.welcome()->geometry(), window.rect());
    EXPECT_FALSE(window.splitView()->isEnabled()) << "no click or Tab reaches the sidebar or the page";
    saveArtefact(window.grab().toImage(), "MainView-welcome");

    window.welcome()->goTo(WelcomeFlow::permissions);
    rig.model->finishWelcome();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window.welcome(), nullptr);
    EXPECT_EQ(window.findChild<WelcomeFlow*>(), nullptr);
    EXPECT_TRUE(window.splitView()->isEnabled());
    EXPECT_FALSE(window.splitView()->graphicsEffect()) << "sharp and opaque again";

    rig.model->restartWelcome();
    ASSERT_NE(window.welcome(), nullptr);
    EXPECT_EQ(window.welcome()->current(), WelcomeFlow::hero) << "each showing starts at the first page";
    EXPECT_FALSE(window.splitView()->isEnabled());
}

TEST_F(Window, TheWelcomeLeavesWithTheSpringAndTheWindowVisibilityReachesThePages) {
    MainView& window = open(false);
    rig.model->finishWelcome();
    EXPECT_NE(window.welcome(), nullptr) << "it fades out before it goes";
    EXPECT_TRUE(window.splitView()->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.welcome() == nullptr; }, 5000));

    rig.model->setWindowVisible(false);
    EXPECT_FALSE(WindowVisible::of(window.page()));
    rig.model->setWindowVisible(true);
    EXPECT_TRUE(WindowVisible::of(window.page()));
}
