#include "MivoraUI/Settings/SettingsHosted.h"

#include "MivoraUI/Account/AccountSection.h"
#include "MivoraUI/Steps/PermissionSteps.h"

namespace mivora::SettingsHosted {

QWidget* permissionSteps(AppModel& model) {
    auto* steps = new PermissionSteps(model);
    steps->setObjectName(QStringLiteral("permissionSteps"));
    return steps;
}

QWidget* accountSection(AppModel& model) {
    return new AccountSection(model);
}

} // namespace mivora::SettingsHosted
