#include "MivoraUI/Welcome/WelcomeFlow.h"

#include "MivoraUI/Steps/PermissionSteps.h"
#include "MivoraUI/Welcome/PageDots.h"
#include "support/WindowModelRig.h"

#include <QAbstractButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

// "跳过" walks every page after the hero and the last one ends the welcome for good; a lesson goes on by its
// own button once done, and the closing page's button ends the welcome too.
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
    while (model.showWelcome() && seen.size() < 10) {
        ASSERT_TRUE(flow.skipButton()->isVisible());
        flow.skipButton()->click();
        seen << flow.current();
    }
    EXPECT_EQ(seen, (QList<int>{2, 3, 4, 5, 5}));
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
        emit dots->picked(page); // what a click on that dot reports
        return flow.current();
    };
    EXPECT_EQ(pick(WelcomeFlow::permissions), WelcomeFlow::permissions);
    EXPECT_EQ(dots->current(), WelcomeFlow::permissions);
    EXPECT_EQ(pick(WelcomeFlow::firstLesson), WelcomeFlow::firstLesson);
    EXPECT_EQ(pick(WelcomeFlow::done), WelcomeFlow::firstLesson) << "not reached yet";
    EXPECT_EQ(pick(WelcomeFlow::firstLesson + 1), WelcomeFlow::firstLesson + 1);
    EXPECT_EQ(dots->current(), WelcomeFlow::firstLesson + 1);
}
