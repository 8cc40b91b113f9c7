#pragma once

#include "MivoraUI/Model/Lesson.h"

#include <functional>

class QWidget;

namespace mivora {

class AppModel;

// The welcome's page for one lesson: the lesson in its compact form, whose own button goes on with
// `next`.
QWidget* makeCompactLesson(AppModel& model, Lesson lesson, std::function<void()> next,
                           QWidget* parent = nullptr);

} // namespace mivora
