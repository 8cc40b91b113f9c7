#include "MivoraUI/Settings/SettingsHosted.h"

#include "MivoraUI/Kit/StyledLabel.h"

namespace mivora::SettingsHosted {

// Stand-ins until the permission steps and the account block are built.
QWidget* permissionSteps(AppModel&) {
    auto* steps =
        new StyledLabel(QStringLiteral("权限步骤"), 12.5, QFont::Normal, StyledLabel::Style::tertiary);
    steps->setObjectName(QStringLiteral("permissionSteps"));
    return steps;
}

QWidget* accountSection(AppModel&) {
    auto* block = new StyledLabel(QStringLiteral("账号"), 12.5, QFont::Normal, StyledLabel::Style::tertiary);
    block->setObjectName(QStringLiteral("accountSection"));
    return block;
}

} // namespace mivora::SettingsHosted
