#include "MivoraUI/Welcome/WelcomeFlow.h"

#include "MivoraUI/Account/AccountSection.h"
#include "MivoraUI/Steps/PermissionSteps.h"
#include "MivoraUI/Welcome/PageDots.h"
#include "Support/BundleInfo.h"
#include "support/WindowModelRig.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

// "跳过" walks every page between the hero and the closing one (no sign-in page where the build needs no
// account); a lesson goes on by its own button once done, and the closing page's button ends the welcome.
TEST(WelcomeFlow, SkipWalksEveryPageTheLessonsGoOnByTheirButtonAndTheClosingPageEndsTheWelcome) {
    WindowModelRig rig;
    rig.platform.fake.audioInputs.present = false; // no microphone: skipping still gets through
    AppModel& model = rig.make();
    WelcomeFlow flow(model);
    flow.resize(960, 640);
    flow.show();
    EXPECT_FALSE(flow.skipButton()->isVisible()) << "the hero has its own way on";
    flow.page()->findChild<QAbstractButton*>("start")->click();
    EXPECT_EQ(flow.current(), WelcomeFlow::permissions);
    EXPECT_TRUE(flow.page()->findChild<PermissionSteps*>());
    EXPECT_TRUE(rig.setup.polling()) << "the steps tick themselves off";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !flow.page()->graphicsEffect(); }));

    QList<int> seen;
    while (flow.skipButton()->isVisible() && seen.size() < 10) {
        flow.skipButton()->click();
        seen << flow.current();
    }
    EXPECT_EQ(seen, (QList<int>{3, 4, 5, 6}));
    EXPECT_EQ(flow.current(), WelcomeFlow::done) << "the closing page has only its own button";
    flow.skipButton()->click(); // a press that reaches the hidden button late
    EXPECT_TRUE(model.showWelcome()) << "only the closing page's own button ends the welcome";
    EXPECT_FALSE(flow.has(WelcomeFlow::account));
    EXPECT_EQ(flow.position(WelcomeFlow::done), 5);
    flow.page()->findChild<QAbstractButton*>("finish")->click();
    EXPECT_FALSE(model.showWelcome());
    EXPECT_EQ(rig.defaults.value("onboardingDone"), QVariant(true));

    rig.defaults.remove("onboardingDone");
    model.restartWelcome();
    flow.goTo(WelcomeFlow::firstLesson);
    rig.clock.advance(1);
    model.setLastSuccess({Lesson::dictate, rig.clock.now()});
    auto* next = flow.page()->findChild<QAbstractButton*>("next");
    ASSERT_TRUE(next);
    next->click();
    EXPECT_EQ(flow.current(), WelcomeFlow::firstLesson + 1);
    flow.goTo(WelcomeFlow::done);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !flow.page()->graphicsEffect(); }));
    flow.page()->findChild<QAbstractButton*>("finish")->click();
    EXPECT_FALSE(model.showWelcome());
    EXPECT_EQ(rig.defaults.value("onboardingDone"), QVariant(true));
}

// Going back with the page dots keeps the furthest page reached: its dot brings the user back to it, and a
// dot beyond it does nothing.
TEST(WelcomeFlow, TheDotsReturnToTheFurthestPageReached) {
    WindowModelRig rig;
    WelcomeFlow flow(rig.make());
    flow.resize(960, 640);
    flow.show();
    flow.page()->findChild<QAbstractButton*>("start")->click();
    flow.skipButton()->click();
    flow.skipButton()->click();
    ASSERT_EQ(flow.current(), WelcomeFlow::firstLesson + 1);
    PageDots* dots = flow.findChild<PageDots*>();
    ASSERT_TRUE(dots);
    const auto pick = [&](int page) {
        emit dots->picked(flow.position(page)); // what a click on that page's dot reports
        return flow.current();
    };
    EXPECT_EQ(pick(WelcomeFlow::permissions), WelcomeFlow::permissions);
    EXPECT_EQ(dots->current(), flow.position(WelcomeFlow::permissions));
    EXPECT_EQ(pick(WelcomeFlow::firstLesson), WelcomeFlow::firstLesson);
    EXPECT_EQ(pick(WelcomeFlow::done), WelcomeFlow::firstLesson) << "not reached yet";
    EXPECT_EQ(pick(WelcomeFlow::firstLesson + 1), WelcomeFlow::firstLesson + 1);
    EXPECT_EQ(dots->current(), flow.position(WelcomeFlow::firstLesson + 1));
}

namespace {

QString shownText(const QWidget* page, const char* name) {
    const auto* label = page->findChild<QLabel*>(name);
    return label && label->isVisibleTo(page) ? label->text() : QString();
}

} // namespace

// A relay build refuses every take until someone signs in: its welcome has a sign-in page with the
// account block before the lessons, a refused take brings the welcome to the page for what it lacks, and
// the closing page says "都准备好了" only when the setup model says so.
TEST(WelcomeFlow, ARelayBuildSignsInBeforeTheLessonsAndTheClosingPageTellsWhatIsMissing) {
    BundleInfo::setOverride({{"YarrikProxyURL", "https://relay.example/"}, {"YarrikProxyToken", "t"}});
    const std::shared_ptr<void> resetInfo(nullptr, [](void*) { BundleInfo::reset(); });
    WindowModelRig rig;
    rig.setup.refresh();
    AppModel& model = rig.make(rig.account.get());
    WelcomeFlow flow(model);
    flow.resize(960, 640);
    flow.show();
    ASSERT_TRUE(flow.has(WelcomeFlow::account));
    EXPECT_EQ(flow.position(WelcomeFlow::done), 6);

    flow.goTo(WelcomeFlow::permissions);
    flow.page()->findChild<QAbstractButton*>("next")->click();
    EXPECT_EQ(flow.current(), WelcomeFlow::account) << "the sign-in comes before the lessons";
    EXPECT_TRUE(flow.page()->findChild<AccountSection*>());

    // A take refused for the sign-in (or the setup) on a lesson page: the welcome's own page, nothing
    // under it.
    flow.goTo(WelcomeFlow::firstLesson);
    model.openFor(AppModel::Need::signIn);
    EXPECT_EQ(flow.current(), WelcomeFlow::account);
    model.openFor(AppModel::Need::setup);
    EXPECT_EQ(flow.current(), WelcomeFlow::permissions);
    EXPECT_EQ(model.section(), AppModel::Section::home);

    flow.goTo(WelcomeFlow::done);
    EXPECT_FALSE(flow.skipButton()->isVisible());
    ASSERT_FALSE(rig.setup.accountReady());
    EXPECT_EQ(shownText(flow.page(), "doneTitle"), "还差一点就好");
    EXPECT_EQ(shownText(flow.page(), "stillMissing"), "还差：登录账号。设好以后就能开口了。");
    auto* back = flow.page()->findChild<QAbstractButton*>("back");
    ASSERT_TRUE(back && back->isVisibleTo(flow.page()));
    back->click();
    EXPECT_EQ(flow.current(), WelcomeFlow::account);

    flow.goTo(WelcomeFlow::done);
    rig.setup.setAccountReady(true); // signed in meanwhile
    EXPECT_EQ(shownText(flow.page(), "doneTitle"), "都准备好了");
    EXPECT_EQ(shownText(flow.page(), "stillMissing"), "");
    EXPECT_FALSE(flow.page()->findChild<QAbstractButton*>("back")->isVisibleTo(flow.page()));
}

// The page dots stay where they are on every page, whether "跳过" shows or not.
TEST(WelcomeFlow, ThePageDotsStayPutFromPageToPage) {
    WindowModelRig rig;
    AppModel& model = rig.make();
    WelcomeFlow flow(model);
    flow.resize(960, 640);
    flow.show();
    auto* dots = flow.findChild<PageDots*>();
    ASSERT_TRUE(dots);
    const QRect first = dots->geometry();
    for (int page : {int(WelcomeFlow::permissions), int(WelcomeFlow::firstLesson), int(WelcomeFlow::done)}) {
        flow.goTo(page);
        QApplication::processEvents();
        EXPECT_EQ(dots->geometry(), first) << page;
    }
}

// The welcome of a relay build (which has a sign-in page), shown at 960x640 on that page.
struct RelayInfo {
    RelayInfo() {
        BundleInfo::setOverride({{"YarrikProxyURL", "https://relay.example/"}, {"YarrikProxyToken", "t"}});
    }
    ~RelayInfo() { BundleInfo::reset(); }
};
struct RelaySignInPage : RelayInfo {
    RelaySignInPage() {
        flow.resize(960, 640);
        flow.show();
        flow.goTo(WelcomeFlow::account);
    }
    WindowModelRig rig;
    WelcomeFlow flow{rig.make(rig.account.get())};
};

// A hosting page is narrower than the window: its wrapped lines still get the height they need at the
// page's own width, the recovery code's explanation (three lines there) included.
TEST(WelcomeFlow, WrappedLinesOnTheSignInPageAreWhole) {
    RelaySignInPage welcome;
    WelcomeFlow& flow = welcome.flow;
    auto* section = flow.page()->findChild<AccountSection*>();
    ASSERT_TRUE(section);
    // The block as it is once signed in with the code on show.
    for (const char* part : {"emailStep", "codeStep", "note"})
        section->findChild<QWidget*>(part)->hide();
    section->findChild<QWidget*>("signedIn")->show();
    section->findChild<QWidget*>("syncRow")->hide();
    section->findChild<QWidget*>("recoveryView")->show();
    QApplication::processEvents();
    auto* note = section->findChild<QLabel*>("recoveryNote");
    ASSERT_TRUE(note && note->isVisibleTo(&flow));
    ASSERT_GE(note->heightForWidth(note->width()), 3 * note->fontMetrics().height()) << "wraps at this width";
    for (QLabel* label : flow.page()->findChildren<QLabel*>()) {
        if (!label->wordWrap() || !label->isVisibleTo(&flow)) continue;
        EXPECT_GE(label->height(), label->heightForWidth(label->width())) << label->text().toStdString();
    }
}

// The sign-in block changing its content (the address step giving way to the code step, then back) moves
// nothing above it: the page keeps the title where it stood.
TEST(WelcomeFlow, TheSignInPageKeepsItsTitleInPlaceAsTheBlockChanges) {
    RelaySignInPage welcome;
    WelcomeFlow& flow = welcome.flow;
    QApplication::processEvents();
    auto* section = flow.page()->findChild<AccountSection*>();
    ASSERT_TRUE(section);
    const QLabel* title = nullptr;
    for (const QLabel* label : flow.page()->findChildren<QLabel*>())
        if (label->text() == "登录账号") title = label;
    ASSERT_TRUE(title);
    const int top = title->mapTo(&flow, QPoint()).y();
    for (const bool code : {true, false}) {
        section->findChild<QWidget*>("emailStep")->setVisible(!code);
        section->findChild<QWidget*>("codeStep")->setVisible(code);
        QApplication::processEvents();
        EXPECT_EQ(title->mapTo(&flow, QPoint()).y(), top) << code;
    }
}

// A take refused for the sign-in brings the welcome to its sign-in page with the address field ready to
// type in, whichever page it was on.
TEST(WelcomeFlow, ARefusedTakeLeavesTheFocusInTheAddressField) {
    BundleInfo::setOverride({{"YarrikProxyURL", "https://relay.example/"}, {"YarrikProxyToken", "t"}});
    const std::shared_ptr<void> resetInfo(nullptr, [](void*) { BundleInfo::reset(); });
    WindowModelRig rig;
    AppModel& model = rig.make(rig.account.get());
    WelcomeFlow flow(model);
    flow.resize(960, 640);
    flow.show();
    flow.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&flow));
    for (int from : {int(WelcomeFlow::firstLesson), int(WelcomeFlow::account)}) {
        flow.goTo(from);
        flow.setFocus();
        model.openFor(AppModel::Need::signIn);
        ASSERT_EQ(flow.current(), WelcomeFlow::account);
        const QWidget* email = flow.page()->findChild<QLineEdit*>("email");
        ASSERT_TRUE(email && email->isVisible());
        EXPECT_EQ(QApplication::focusWidget(), email) << from;
    }
}

// The sign-in block grows from the address form to an error line under it, to the code step, to the
// recovery code once signed in, and shrinks back: the title stays where it stood through all of it. On a
// window too short for the tallest block below that place, the block rises just enough to stay whole.
TEST(WelcomeFlow, TheSignInPageKeepsItsTitleInPlaceAsTheBlockGrows) {
    RelaySignInPage welcome;
    QWidget* page = welcome.flow.page();
    QApplication::processEvents();
    const QLabel* title = page->findChildren<QLabel*>().first();
    ASSERT_EQ(title->text(), "登录账号");
    const int top = title->mapTo(page, QPoint()).y();
    auto* section = page->findChild<AccountSection*>();
    section->findChild<QLabel*>("error")->setText("验证码没发出去：连不上服务器，检查一下网络再试。");
    // Each step: the parts it shows, and those it hides. A change climbs one layout per pass of the loop.
    const auto settle = [] {
        for (int pass = 0; pass < 5; ++pass)
            QApplication::processEvents();
    };
    for (const auto& [shown, hidden] : {std::pair<QString, QString>{"error", ""},
                                        {"codeStep", "error emailStep"},
                                        {"signedIn recoveryView", "codeStep note syncRow"},
                                        {"emailStep", "signedIn"}}) {
        for (const QString& part : (shown + ' ' + hidden).split(' ', Qt::SkipEmptyParts))
            section->findChild<QWidget*>(part)->setVisible(shown.split(' ').contains(part));
        settle();
        EXPECT_EQ(title->mapTo(page, QPoint()).y(), top) << shown.toStdString();
    }
    section->findChild<QWidget*>("emailStep")->hide();
    section->findChild<QWidget*>("signedIn")->show();
    welcome.flow.resize(960, 480); // too short for the recovery code below the title's place
    settle();
    const QWidget* next = page->findChild<QWidget*>("next");
    EXPECT_LE(next->mapTo(page, QPoint(0, next->height())).y(), page->height());
    EXPECT_LT(title->mapTo(page, QPoint()).y(), top);
}
