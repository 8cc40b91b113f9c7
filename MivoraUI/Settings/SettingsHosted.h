#pragma once

class QWidget;

namespace mivora {

class AppModel;

// The screens of their own that the settings page shows inside two of its groups, each made in one place.
namespace SettingsHosted {

// The permission steps, on the model's setup and permissions.
QWidget* permissionSteps(AppModel& model);
// The account and sync block, on the model's account service and sync engine, at its initial state.
QWidget* accountSection(AppModel& model);

} // namespace SettingsHosted
} // namespace mivora
