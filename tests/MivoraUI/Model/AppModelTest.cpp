#include "MivoraUI/Model/AppModel.h"

#include "support/WindowModelRig.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {
using Section = AppModel::Section;
} // namespace

TEST(AppModel, TheWelcomeShowsUntilTheStoredFlagIsTrueAndARestartIsForThisRunOnly) {
    WindowModelRig rig;
    EXPECT_TRUE(rig.make().showWelcome()) << "a first launch has no \"onboardingDone\"";
    rig.defaults.setValue("onboardingDone", false);
    EXPECT_TRUE(rig.make().showWelcome());
    rig.defaults.setValue("onboardingDone", true);
    AppModel& model = rig.make();
    const std::unique_ptr<AppModel> running = std::move(rig.model); // later makes are the next runs
    EXPECT_FALSE(model.showWelcome());

    QSignalSpy shown(&model, &AppModel::showWelcomeChanged);
    rig.defaults.remove("onboardingDone");
    model.finishWelcomeIfNeeded(); // hidden: neither writes nor publishes
    EXPECT_FALSE(rig.defaults.contains("onboardingDone"));
    EXPECT_EQ(shown.count(), 0);

    rig.defaults.setValue("onboardingDone", true);
    model.restartWelcome();
    EXPECT_TRUE(model.showWelcome());
    EXPECT_EQ(shown.count(), 1);
    EXPECT_FALSE(rig.make().showWelcome()) << "the next run still finds the flag stored";

    rig.defaults.remove("onboardingDone");
    model.finishWelcomeIfNeeded();
    EXPECT_FALSE(model.showWelcome());
    EXPECT_EQ(rig.defaults.value("onboardingDone"), QVariant(true));
    EXPECT_EQ(shown.count(), 2);
}

TEST(AppModel, OpeningTheOpenSectionWithALessonChangesOnlyTheLesson) {
    WindowModelRig rig;
    AppModel& model = rig.make();
    EXPECT_EQ(model.section(), Section::home);
    EXPECT_EQ(model.lesson(), Lesson::dictate);
    QSignalSpy sections(&model, &AppModel::sectionChanged);
    QSignalSpy lessons(&model, &AppModel::lessonChanged);
    // The lesson is in place before the page that shows it comes in.
    Lesson lessonWhenSectionChanged = Lesson::dictate;
    QObject::connect(&model, &AppModel::sectionChanged, [&] { lessonWhenSectionChanged = model.lesson(); });

    model.open(Section::tutorial, Lesson::typing);
    EXPECT_EQ(lessonWhenSectionChanged, Lesson::typing);
    model.open(Section::tutorial, Lesson::recall);
    EXPECT_EQ(model.lesson(), Lesson::recall);
    EXPECT_EQ(sections.count(), 1);
    EXPECT_EQ(lessons.count(), 2);
    model.open(Section::settings);
    EXPECT_EQ(model.lesson(), Lesson::recall) << "no lesson given, none changed";
    EXPECT_EQ(lessons.count(), 2);
}

TEST(AppModel, SectionsComeFromTheirExactRawValues) {
    QStringList raws;
    for (Section section : AppModel::sections) {
        raws << AppModel::raw(section);
        EXPECT_EQ(AppModel::fromRaw(AppModel::raw(section)), section);
    }
    EXPECT_EQ(raws, (QStringList{"home", "tutorial", "memories", "settings"}));
    for (const char* other : {"Home", "HOME", " home", "home ", "", "setting"})
        EXPECT_EQ(AppModel::fromRaw(other), std::nullopt) << other;
}

TEST(AppModel, OnlyRealChangesOfVisibilityAndSuccessArePublished) {
    WindowModelRig rig;
    AppModel& model = rig.make();
    QSignalSpy visible(&model, &AppModel::windowVisibleChanged);
    QSignalSpy success(&model, &AppModel::lastSuccessChanged);
    model.setWindowVisible(true);
    EXPECT_EQ(visible.count(), 0);
    model.setWindowVisible(false);
    model.setWindowVisible(false);
    EXPECT_EQ(visible.count(), 1);

    const QDateTime at = rig.clock.now();
    model.setLastSuccess({Lesson::recall, at});
    model.setLastSuccess({Lesson::recall, at});
    model.setLastSuccess({Lesson::recall, at.addSecs(1)}); // the same lesson succeeding again
    EXPECT_EQ(success.count(), 2);
    EXPECT_EQ(model.lastSuccess()->at, at.addSecs(1));
}
