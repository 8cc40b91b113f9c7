#include "MivoraUI/Window/Pages.h"

#include "MivoraUI/Home/HomePage.h"
#include "MivoraUI/Memories/MemoriesView.h"
#include "MivoraUI/Settings/SettingsPage.h"
#include "MivoraUI/Tutorial/TutorialPage.h"

namespace mivora {

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
        page = new TutorialPage(model, parent);
        break;
    }
    page->setObjectName(AppModel::raw(section));
    return page;
}

} // namespace mivora
