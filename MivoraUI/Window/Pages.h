#pragma once

#include "MivoraUI/Model/AppModel.h"

class QWidget;

namespace mivora {

// The page of one section, built anew from the window model each time the section is selected, so its
// view state starts fresh.
QWidget* makePage(AppModel& model, AppModel::Section section, QWidget* parent = nullptr);

} // namespace mivora
