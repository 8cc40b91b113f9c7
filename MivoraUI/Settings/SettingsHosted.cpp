#include "MivoraUI/Settings/SettingsHosted.h"

#include "MivoraUI/Kit/StyledLabel.h"
#include "MivoraUI/Steps/PermissionSteps.h"

namespace mivora::SettingsHosted {

QWidget* permissionSteps(AppModel& model) {
    auto* steps = new PermissionSteps(model);
    steps->setObjectName(QStringLiteral("permissionSteps"));
    return steps;
}

// A stand-in until the account block is built.

QWidget* accountSection(AppModel&) {
    auto* block = new StyledLabel(QStringLiteral("账号"), 12.5, QFont::Normal, StyledLabel::Style::tertiary);
    block->setObjectName(QStringLiteral("accountSection"));
    return block;
}

} // namespace mivora::SettingsHosted
