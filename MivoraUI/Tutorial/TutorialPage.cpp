#include "MivoraUI/Tutorial/TutorialPage.h"

#include "MivoraUI/Kit/PageStack.h"
#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Model/AppModel.h"
#include "MivoraUI/Tutorial/LessonTabs.h"
#include "MivoraUI/Tutorial/LessonView.h"

#include <QVBoxLayout>

namespace mivora {

TutorialPage::TutorialPage(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), tabs_(new LessonTabs(model.lesson(), this)),
      lessons_(new PageStack(this)) {
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 22, 0, 0);
    v->setSpacing(0);
    v->addWidget(tabs_, 0, Qt::AlignHCenter);
    v->addWidget(lessons_, 1);
    lessons_->setSpring(UI::smooth);
    lessons_->setPage(new LessonView(model, model.lesson(), false), true);
    connect(tabs_, &LessonTabs::chosen, &model, &AppModel::setLesson);
    connect(&model, &AppModel::lessonChanged, this, &TutorialPage::showLesson);
}

LessonView* TutorialPage::lessonView() const {
    return qobject_cast<LessonView*>(lessons_->page());
}

// A fresh view of the new lesson, always entering from the right.
void TutorialPage::showLesson() {
    tabs_->setSelected(model_.lesson());
    lessons_->setPage(new LessonView(model_, model_.lesson(), false), true);
}

} // namespace mivora
