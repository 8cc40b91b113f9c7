// The lesson view and the tutorial page on a window model over fakes: when a lesson counts as done, what
// a fresh view shows, the user's memories in the placeholder and the hint, and the welcome's "下一步".
#include "MivoraUI/Tutorial/LessonView.h"
#include "MivoraUI/Kit/PracticeField.h"
#include "MivoraUI/Tutorial/DemoStage.h"
#include "MivoraUI/Tutorial/LessonTabs.h"
#include "MivoraUI/Tutorial/MemoryHint.h"
#include "MivoraUI/Tutorial/TutorialPage.h"

#include "support/WindowModelRig.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

// The window model on fakes, with the welcome finished unless told otherwise, and a way to add memories.
struct TutorialRig : WindowModelRig {
    explicit TutorialRig(bool welcomeDone = true) {
        if (welcomeDone) defaults.setValue("onboardingDone", true);
        make();
    }
    // Adds a memory used `uses` times, expired when `expired`.
    void remember(const QString& title, qint64 uses, bool expired = false) {
        Memory m{.title = title, .value = title + "的内容"};
        m.useCount = uses;
        if (expired) m.expiresAt = clock.now().addDays(-1);
        memories->upsert(m);
    }
};

bool waitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 3000);
}

} // namespace

TEST(LessonView, CountsOnlyASuccessOfItsOwnLessonAfterItCameOnScreen) {
    TutorialRig rig;
    rig.model->setLastSuccess({Lesson::recall, rig.clock.now().addSecs(-5)}); // before the view existed
    LessonView view(*rig.model, Lesson::recall, false);
    view.show();
    const QDateTime since = view.since();
    EXPECT_EQ(since, rig.clock.now()) << "the moment it came on screen";
    EXPECT_FALSE(view.done());

    rig.model->setLastSuccess({Lesson::recall, since.addMSecs(-1)});
    rig.model->setLastSuccess({Lesson::recall, since});
    rig.model->setLastSuccess({Lesson::dictate, since.addSecs(1)}); // a plain take is not a recall
    rig.model->setLastSuccess({Lesson::typing, since.addSecs(1)});
    EXPECT_FALSE(view.done());
    EXPECT_TRUE(view.tips()->isVisible());
    EXPECT_FALSE(view.successRow()->isVisible());

    rig.model->setLastSuccess({Lesson::recall, since.addMSecs(1)});
    EXPECT_TRUE(view.done());
    EXPECT_TRUE(waitFor([&] { return !view.tips()->isVisible(); }));
    EXPECT_TRUE(view.successRow()->isVisible());
    EXPECT_EQ(view.nextButton(), nullptr) << "the tutorial's lessons have no next page";

    // A second success changes nothing; nothing takes it back.
    rig.model->setLastSuccess({Lesson::dictate, since.addSecs(9)});
    rig.model->setLastSuccess({Lesson::recall, since.addSecs(9)});
    EXPECT_TRUE(view.done());
    EXPECT_TRUE(view.successRow()->isVisible());

    // A view back on screen ignores successes from while it was away.
    LessonView again(*rig.model, Lesson::dictate, false);
    again.show();
    again.hide();
    rig.scheduler.advance(10);
    const QDateTime away = rig.clock.now();
    rig.scheduler.advance(1);
    again.show();
    rig.model->setLastSuccess({Lesson::dictate, away});
    EXPECT_FALSE(again.done());
    rig.model->setLastSuccess({Lesson::dictate, rig.clock.now().addMSecs(1)});
    EXPECT_TRUE(again.done());
}

TEST(LessonView, CompactFormShowsNextOnlyOnceDoneAndReturnReachesIt) {
    TutorialRig rig;
    int next = 0;
    LessonView view(*rig.model, Lesson::dictate, true, [&] { ++next; });
    view.show();
    EXPECT_EQ(view.tips(), nullptr);
    EXPECT_FALSE(view.successRow()->isVisible());
    EXPECT_EQ(view.memoryHint(), nullptr) << "dictation names no memory";

    // Before the lesson is done, Return in the practice field is a new line.
    QPlainTextEdit* editor = view.practice()->editor();
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(next, 0);
    EXPECT_EQ(editor->toPlainText(), "\n");

    rig.scheduler.advance(1);
    rig.model->setLastSuccess({Lesson::dictate, rig.clock.now()});
    ASSERT_TRUE(view.done());
    ASSERT_NE(view.nextButton(), nullptr);
    EXPECT_TRUE(view.nextButton()->isVisible());
    EXPECT_EQ(view.nextButton()->text(), "下一步");
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClick(editor, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(next, 2);
    EXPECT_EQ(editor->toPlainText(), "\n");
    view.nextButton()->click();
    EXPECT_EQ(next, 3);
    // Return is the window's default action wherever the focus is.
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    view.nextButton()->setFocus();
    QTest::keyClick(view.nextButton(), Qt::Key_Return);
    EXPECT_EQ(next, 4);
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(next, 5) << "once, not as a shortcut and a key press both";
    EXPECT_EQ(editor->toPlainText(), "\n");
    EXPECT_TRUE(waitFor([&] { return view.successRow()->graphicsEffect() == nullptr; })) << "settled";
}

// "做到了！" takes the tips' place (or, in the welcome's compact form, a place of its own): the title, the
// steps and the practice field above it stay where the user was looking.
TEST(LessonView, TheBlockAboveKeepsItsPlaceWhenTheSuccessShows) {
    for (const bool compact : {false, true}) {
        TutorialRig rig;
        LessonView view(*rig.model, Lesson::recall, compact,
                        compact ? std::function<void()>([] {}) : nullptr);
        view.resize(820, 640);
        view.show();
        QApplication::processEvents();
        const auto place = [&](QWidget* widget) {
            return QRect(widget->mapTo(&view, QPoint()), widget->size());
        };
        QWidget* header = view.findChild<QWidget*>("lessonHeader");
        ASSERT_TRUE(header);
        const QRect title = place(header), field = place(view.practice());

        rig.scheduler.advance(1);
        rig.model->setLastSuccess({Lesson::recall, rig.clock.now()});
        ASSERT_TRUE(waitFor([&] { return view.successRow()->graphicsEffect() == nullptr; })) << "settled";
        QApplication::processEvents();
        EXPECT_TRUE(view.successRow()->isVisible());
        EXPECT_EQ(place(header), title) << "compact " << compact;
        EXPECT_EQ(place(view.practice()), field) << "compact " << compact;
    }
}

TEST(LessonView, ExampleTitlesPreferAnAliveAddress) {
    TutorialRig rig;
    rig.defaults.setValue("fnKey", "Control_R");
    {
        // An empty store: "我的地址" and the way to add one.
        LessonView recall(*rig.model, Lesson::recall, false);
        LessonView typing(*rig.model, Lesson::typing, false);
        LessonView dictate(*rig.model, Lesson::dictate, false);
        EXPECT_EQ(recall.placeholder(), "点这里，按住 右 Ctrl+Shift 说「我的地址」");
        EXPECT_EQ(typing.placeholder(), "点这里，打「我的地址」");
        EXPECT_EQ(dictate.placeholder(), "点这里，按住 右 Ctrl 说「明天下午三点开会」");
        EXPECT_EQ(recall.practice()->editor()->placeholderText(), recall.placeholder());
        ASSERT_NE(typing.memoryHint(), nullptr);
        EXPECT_NE(typing.memoryHint()->addButton(), nullptr);
        EXPECT_TRUE(typing.memoryHint()->chips().isEmpty());
    }
    LessonView typing(*rig.model, Lesson::typing, false);
    // No title names an address: the most used one; the placeholder follows the store as it changes.
    rig.remember("公司电话", 5);
    rig.remember("发票抬头", 2);
    EXPECT_EQ(typing.placeholder(), "点这里，打「公司电话」");
    EXPECT_EQ(typing.practice()->editor()->placeholderText(), "点这里，打「公司电话」");
    EXPECT_EQ(typing.memoryHint()->addButton(), nullptr);
    // An address further down wins over the most used title.
    rig.remember("家里地址", 1);
    EXPECT_EQ(typing.placeholder(), "点这里，打「家里地址」");
    // An expired memory is never offered, so neither is its title while an alive one is left.
    rig.remember("旧地址", 9, true);
    rig.remember("临时口令", 20, true);
    EXPECT_EQ(typing.placeholder(), "点这里，打「家里地址」");
    EXPECT_EQ(typing.memoryHint()->chips(), QStringList({"公司电话", "发票抬头", "家里地址", "临时口令"}));
}

// A memory that expires at this very moment is expired here as everywhere else: never the example, and among
// the chips only after the alive ones.
TEST(LessonView, AMemoryExpiringNowIsExpiredInTheExampleAndTheChips) {
    TutorialRig rig;
    rig.remember("家里地址", 1);
    Memory ending{.title = "旧地址", .value = "旧地址的内容"};
    ending.useCount = 9;
    ending.expiresAt = rig.clock.now();
    rig.memories->upsert(ending);
    rig.remember("公司电话", 5);
    LessonView typing(*rig.model, Lesson::typing, false);
    EXPECT_EQ(typing.placeholder(), "点这里，打「家里地址」");
    EXPECT_EQ(typing.memoryHint()->chips(), QStringList({"公司电话", "家里地址", "旧地址"}));
}

TEST(LessonView, SixMemoriesGiveFourChipsOfTheMostUsed) {
    TutorialRig rig;
    for (int i = 1; i <= 6; ++i)
        rig.remember(QString("记忆%1").arg(i), i);
    LessonView recall(*rig.model, Lesson::recall, false);
    EXPECT_EQ(recall.memoryHint()->chips(), QStringList({"记忆6", "记忆5", "记忆4", "记忆3"}));
}

TEST(LessonView, AddEndsTheWelcomeOnlyWhileItShows) {
    for (bool welcome : {true, false}) {
        TutorialRig rig(!welcome);
        rig.defaults.remove("onboardingDone");
        LessonView view(*rig.model, Lesson::typing, welcome);
        ASSERT_NE(view.memoryHint()->addButton(), nullptr);
        view.memoryHint()->addButton()->click();
        EXPECT_EQ(rig.model->section(), AppModel::Section::memories);
        EXPECT_FALSE(rig.model->showWelcome());
        EXPECT_EQ(rig.defaults.value("onboardingDone").isValid(), welcome) << welcome;
    }
}

TEST(TutorialPage, EachTabStartsAFreshLesson) {
    TutorialRig rig;
    TutorialPage page(*rig.model);
    page.resize(900, 640);
    page.show();
    LessonView* first = page.lessonView();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->lesson(), Lesson::dictate);
    EXPECT_EQ(first->graphicsEffect(), nullptr)
        << "the first lesson is there at once, the page itself comes in";
    first->practice()->setText("随便写点");
    rig.scheduler.advance(1);
    rig.model->setLastSuccess({Lesson::dictate, rig.clock.now()});
    EXPECT_TRUE(first->done());

    // A click on the recall tab selects it in the model; the capsule glides there.
    LessonTabs* tabs = page.tabs();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(Lesson::recall).center().toPoint());
    EXPECT_EQ(rig.model->lesson(), Lesson::recall);
    EXPECT_EQ(page.lessonView()->lesson(), Lesson::recall);
    EXPECT_TRUE(waitFor([&] { return tabs->selectionRect() == tabs->tabRect(Lesson::recall); }));

    // Back on dictation: undone, the field empty, though the last success is still dictation's.
    rig.model->setLesson(Lesson::dictate);
    LessonView* again = page.lessonView();
    EXPECT_EQ(again->lesson(), Lesson::dictate);
    EXPECT_FALSE(again->done());
    EXPECT_TRUE(again->practice()->text().isEmpty());
    EXPECT_EQ(again->stage()->lesson(), Lesson::dictate);
}
