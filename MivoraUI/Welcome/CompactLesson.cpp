#include "MivoraUI/Welcome/CompactLesson.h"

#include "MivoraUI/Model/AppModel.h"
#include "MivoraUI/Tutorial/LessonView.h"

namespace mivora {

QWidget* makeCompactLesson(AppModel& model, Lesson lesson, std::function<void()> next, QWidget* parent) {
    auto* page = new LessonView(model, lesson, true, std::move(next), parent);
    page->setObjectName(QStringLiteral("lesson%1").arg(Lessons::raw(lesson)));
    return page;
}

} // namespace mivora
