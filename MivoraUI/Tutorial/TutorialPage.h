#pragma once

#include <QWidget>

namespace mivora {

class AppModel;
class LessonTabs;
class LessonView;
class PageStack;

// The tutorial section: the lesson tabs above the selected lesson's view. The selection is the model's
// lesson, so it survives leaving the page and can be set from outside; each change, whoever makes it,
// slides in a fresh lesson view from the right.
class TutorialPage final : public QWidget {
    Q_OBJECT
public:
    explicit TutorialPage(AppModel& model, QWidget* parent = nullptr);

    LessonTabs* tabs() const { return tabs_; }
    LessonView* lessonView() const;

private:
    void showLesson();
    AppModel& model_;
    LessonTabs* tabs_;
    PageStack* lessons_;
};

} // namespace mivora
