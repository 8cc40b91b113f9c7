#pragma once

#include "MivoraUI/Kit/SpringAnimation.h"
#include "MivoraUI/Model/Lesson.h"

#include <QDateTime>
#include <QPointer>
#include <QWidget>

#include <functional>

class QAbstractButton;
class QLabel;

namespace mivora {

class AppModel;
class DemoStage;
class MemoryHint;
class PracticeField;
class SuccessBadge;

// One lesson taught by example and by practice: the demonstration on the left; on the right the title and
// keys, the three steps, for recall and typing a hint about the user's memories, a practice field, and
// below it the tips or, once the user really did it, a success badge. The lesson counts as done when the
// program reports a success of this lesson later than the moment the view last came on screen; what was
// typed into the field plays no part.
//
// The tutorial page shows the full form; the welcome flow the compact one (no tips) with its own next-page
// action, which adds "下一步" beside the badge, reached with Return from anywhere in the window.
class LessonView final : public QWidget {
    Q_OBJECT
public:
    LessonView(AppModel& model, Lesson lesson, bool compact, std::function<void()> onNext = {},
               QWidget* parent = nullptr);

    Lesson lesson() const { return lesson_; }
    bool done() const { return done_; }
    // Successes at or before this moment do not count.
    const QDateTime& since() const { return since_; }

    DemoStage* stage() const { return stage_; }
    PracticeField* practice() const { return practice_; }
    // The memory hint; none for the dictation lesson.
    MemoryHint* memoryHint() const { return hint_; }
    // The tips; none in the compact form.
    QWidget* tips() const { return tips_; }
    // The badge's row (shown once done), its badge and "下一步" (none without a next-page action).
    QWidget* successRow() const { return success_; }
    SuccessBadge* badge() const { return badge_; }
    QAbstractButton* nextButton() const { return next_; }
    QString placeholder() const;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* makeHeader();
    QWidget* makeSteps();
    QWidget* makeTips();
    QWidget* makeSuccess();
    void judge();
    void complete();
    void refreshPlaceholder();
    void goNext();
    void poseOutcome();

    AppModel& model_;
    const Lesson lesson_;
    const std::function<void()> onNext_;
    const QString hotkey_;
    QDateTime since_;
    bool done_ = false;

    DemoStage* stage_;
    PracticeField* practice_ = nullptr;
    MemoryHint* hint_ = nullptr;
    QWidget* tips_ = nullptr;
    QWidget* success_ = nullptr;
    SuccessBadge* badge_ = nullptr;
    QAbstractButton* next_ = nullptr;
    SpringAnimation outcome_{0.0}; // 0 the tips, 1 the badge
};

} // namespace mivora
