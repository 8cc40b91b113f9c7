// How the permission steps move when a step gets done: the row done and the row active next change along
// the kit's smooth spring, height included; with reduced motion their marks fade briefly and the height
// is set at once; a change that leaves the count of unfinished steps alone shows at once.
#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Steps/PermissionSteps.h"
#include "MivoraUI/Steps/StepRow.h"
#include "support/WindowModelRig.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

class StepsMotion : public ::testing::Test {
protected:
    StepsMotion() {
        rig.setSetup(false, false, false, true);
        // As on its pages: a column that gives the steps the height they ask for.
        auto* column = new QVBoxLayout(&page);
        column->addWidget(steps);
        column->addStretch(1);
        page.resize(520, 520);
        page.show();
        QApplication::processEvents();
    }
    StepRow& row(int n) const { return *steps->rows()[n - 1]; }
    // Every row's change has run its course.
    bool settled() const {
        return QTest::qWaitFor(
            [&] {
                for (StepRow* r : steps->rows())
                    if (r->change().state() == QAbstractAnimation::Running) return false;
                return true;
            },
            5000);
    }
    // The height the row takes at its width once settled.
    static int restingHeight(StepRow& r) { return r.heightForWidth(r.width()); }

    WindowModelRig rig;
    QWidget page;
    PermissionSteps* steps =
        new PermissionSteps(rig.setup, rig.permissions, rig.defaults, rig.platform.keyboard(), &page);
};

} // namespace

TEST_F(StepsMotion, TheRowDoneAndTheRowActiveNextMoveAlongTheSmoothSpring) {
    const int activeHeight = row(1).height(); // the active row shows its hint
    const int waitingHeight = row(2).height();
    ASSERT_GT(activeHeight, waitingHeight);

    rig.setup.setMic(true);
    // The fields are there at once (the button and the hint follow them); the drawing and the height move.
    EXPECT_TRUE(row(1).fields().done);
    EXPECT_TRUE(row(2).fields().active);
    for (int n : {1, 2}) {
        EXPECT_EQ(row(n).change().state(), QAbstractAnimation::Running) << n;
        EXPECT_EQ(row(n).change().duration(), int(UI::smooth.duration() * 1000)) << n;
        EXPECT_EQ(row(n).change().easingCurve().type(), QEasingCurve::Linear) << "the spring eases itself";
    }
    EXPECT_LT(row(1).shownDone(), 0.5);
    EXPECT_LT(row(2).shownActive(), 0.5);
    EXPECT_EQ(row(1).height(), activeHeight) << "the done row shrinks from where it was";
    EXPECT_EQ(row(2).height(), waitingHeight) << "the next row grows from where it was";

    ASSERT_TRUE(settled());
    EXPECT_DOUBLE_EQ(row(1).shownDone(), 1.0);
    EXPECT_DOUBLE_EQ(row(2).shownActive(), 1.0);
    EXPECT_DOUBLE_EQ(row(1).shownActive(), 0.0);
    EXPECT_EQ(row(2).height(), restingHeight(row(2)));
    EXPECT_GT(row(2).height(), waitingHeight);
    EXPECT_LT(row(1).height(), activeHeight);
    EXPECT_EQ(row(2).maximumHeight(), QWIDGETSIZE_MAX) << "a settled row is free to follow its content";
}

TEST_F(StepsMotion, ReducedMotionFadesTheMarksAndSetsTheHeightAtOnce) {
    rig.defaults.setValue("reduceMotion", true);
    const int waitingHeight = row(2).height();
    rig.setup.setMic(true);
    for (int n : {1, 2}) {
        EXPECT_EQ(row(n).change().state(), QAbstractAnimation::Running) << n;
        EXPECT_LT(row(n).change().duration(), int(UI::smooth.duration() * 1000)) << n;
        EXPECT_NE(row(n).change().easingCurve().type(), QEasingCurve::Linear) << n;
    }
    QApplication::processEvents();
    EXPECT_GT(row(2).height(), waitingHeight) << "no growing height";
    ASSERT_TRUE(settled());
    EXPECT_DOUBLE_EQ(row(1).shownDone(), 1.0);
}

TEST_F(StepsMotion, AChangeThatLeavesTheStepsToDoAloneShowsAtOnce) {
    rig.setup.setMic(false); // told again, nothing changed
    for (StepRow* r : steps->rows())
        EXPECT_NE(r->change().state(), QAbstractAnimation::Running);
    // Choosing another hotkey changes the hotkey row's button, not the count.
    rig.setSetup(true, true, false, true);
    ASSERT_TRUE(settled());
    steps->rows()[2]->button()->click();
    ASSERT_TRUE(steps->choosingHotkey());
    EXPECT_NE(row(3).change().state(), QAbstractAnimation::Running);
    EXPECT_DOUBLE_EQ(row(3).shownActive(), 1.0);
}
