#include "MivoraUI/Welcome/WelcomeFlow.h"

#include "MivoraUI/Steps/PermissionSteps.h"
#include "support/Render.h"
#include "support/WindowModelRig.h"

#include <QAbstractButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

TEST(WelcomeFlow, SkippingWalksEveryPageAndTheLastOneEndsTheWelcomeForGood) {
    WindowModelRig rig;
    rig.platform.fake.audioInputs.present = false; // no microphone: skipping still gets through
    AppModel& model = rig.make();
    WelcomeFlow flow(model);
    flow.resize(960, 640);
    flow.show();
    EXPECT_FALSE(flow.skipButton()->isVisible()) << "the hero has its own way on";
    saveArtefact(flow.grab().toImage(), "Welcome-hero");
    flow.page()->findChild<QAbstractButton*>("start")->click();
    EXPECT_EQ(flow.current(), WelcomeFlow::permissions);
    EXPECT_TRUE(flow.page()->findChild<PermissionSteps*>());
    EXPECT_TRUE(rig.setup.polling()) << "the steps tick themselves off";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !flow.page()->graphicsEffect(); }));
    saveArtefact(flow.grab().toImage(), "Welcome-permissions");

    QList<int> seen;
    while (model.showWelcome() && seen.size() < 10) {
        ASSERT_TRUE(flow.skipButton()->isVisible());
        flow.skipButton()->click();
        seen << flow.current();
    }
    EXPECT_EQ(seen, (QList<int>{2, 3, 4, 5, 5}));
    EXPECT_FALSE(model.showWelcome());
    EXPECT_EQ(rig.defaults.value("onboardingDone"), QVariant(true));
}

TEST(WelcomeFlow, TheLessonsGoOnByTheirOwnButtonAndTheClosingPageEndsTheWelcome) {
    WindowModelRig rig;
    AppModel& model = rig.make();
    WelcomeFlow flow(model);
    flow.resize(960, 640);
    flow.show();
    flow.goTo(WelcomeFlow::firstLesson);
    flow.page()->findChild<QAbstractButton*>("next")->click();
    EXPECT_EQ(flow.current(), WelcomeFlow::firstLesson + 1);
    flow.goTo(WelcomeFlow::hero);
    EXPECT_EQ(flow.current(), WelcomeFlow::hero);
    flow.goTo(WelcomeFlow::done);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !flow.page()->graphicsEffect(); }));
    saveArtefact(flow.grab().toImage(), "Welcome-done");
    flow.page()->findChild<QAbstractButton*>("finish")->click();
    EXPECT_FALSE(model.showWelcome());
    EXPECT_EQ(rig.defaults.value("onboardingDone"), QVariant(true));
}
