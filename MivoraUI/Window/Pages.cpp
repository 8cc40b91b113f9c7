#include "MivoraUI/Window/Pages.h"

#include "MivoraUI/Home/HomePage.h"
#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Memories/MemoriesView.h"
#include "MivoraUI/Settings/SettingsPage.h"

#include <QLabel>

namespace mivora {

namespace {
// A page whose screen is not built yet: its title, centred.
QWidget* standIn(AppModel::Section section, QWidget* parent) {
    auto* page = new QLabel(AppModel::title(section), parent);
    page->setAlignment(Qt::AlignCenter);
    page->setFont(UI::font(22, QFont::DemiBold));
    return page;
}
} // namespace

QWidget* makePage(AppModel& model, AppModel::Section section, QWidget* parent) {
    QWidget* page = nullptr;
    switch (section) {
    case AppModel::Section::memories:
        page = new MemoriesView(model.memories(), model.environment().clock, model.hotkeyName(), parent);
        break;
    case AppModel::Section::home:
        page = new HomePage(model, parent);
        break;
    case AppModel::Section::settings:
        page = new SettingsPage(model, parent);
        break;
    case AppModel::Section::tutorial:
        page = standIn(section, parent);
        break;
    }
    page->setObjectName(AppModel::raw(section));
    return page;
}

} // namespace mivora
