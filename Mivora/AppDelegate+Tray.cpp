#include "AppDelegate.h"

#include "MivoraUI/Settings/SettingsPage.h"
#include "MivoraUI/Window/MainView.h"
#include "Platform/Platform.h"
#include "Platform/PlatformWords.h"
#include "Support/AppLog.h"
#include "Support/BundleInfo.h"
#include "TrayIcon.h"

#include <QCoreApplication>

namespace mivora {

void AppDelegate::setupStatusItem() {
    if (!TrayIcon::trayAvailable())
        log(QStringLiteral("没有系统托盘：图标出不来，再运行一次 mivora 就能打开主窗口"));
    tray_ = std::make_unique<TrayIcon>([this] { return menuRows(); },
                                       [this](MenuRow::Action action) { act(action); });
    updateStatusIcon();
}

void AppDelegate::updateStatusIcon() {
    if (!tray_) return;
    const VoicePhase::Kind phase = controller().phase().kind;
    if (phase == VoicePhase::Kind::listening)
        tray_->setLook(TrayIcon::Look::listening);
    else if (phase == VoicePhase::Kind::processing)
        tray_->setLook(TrayIcon::Look::processing);
    else
        tray_->setLook(ready() ? TrayIcon::Look::ready : TrayIcon::Look::notReady);
}

QList<MenuRow> AppDelegate::menuRows() {
    setup_.refresh();
    VoiceController& voice = controller();
    MenuRow::State state;
    state.ready = ready();
    state.hotkey = PlatformWords::hotkeyName(env_.defaults);
    state.hasLastText = voice.lastText().has_value();
    state.hasFailedClip = voice.failedClip().has_value();
    state.memories = memories_.count();
    state.typingSuggestions = hooks.suggestionsEnabled && hooks.suggestionsEnabled();
    state.hasUpdater = updates_.controller() != nullptr;
    state.version = BundleInfo::value("CFBundleShortVersionString").value_or(QString());
    const QList<MenuRow> rows = MenuRow::rows(state);
    updateStatusIcon();
    return rows;
}

void AppDelegate::act(MenuRow::Action action) {
    using Action = MenuRow::Action;
    switch (action) {
    case Action::none:
        break;
    case Action::copyLast:
        if (const std::optional<QString> text = controller().lastText())
            env_.platform.pasteboard().write({{{TextInserter::textType, text->toUtf8()}}});
        break;
    case Action::retryLast:
        controller().retryLast();
        break;
    case Action::openHome:
        showMain(AppModel::Section::home);
        break;
    case Action::openTutorial:
        showMain(AppModel::Section::tutorial);
        break;
    case Action::openMemories:
        showMain(AppModel::Section::memories);
        break;
    case Action::toggleTyping:
        if (hooks.setSuggestionsEnabled)
            hooks.setSuggestionsEnabled(!(hooks.suggestionsEnabled && hooks.suggestionsEnabled()));
        // The settings page on screen shows the same switch.
        if (auto* page = qobject_cast<SettingsPage*>(mainWindow_ ? mainWindow_->view()->page() : nullptr))
            page->readBack();
        break;
    case Action::openSetup:
        showMain();
        model().openFor(setup_.accountReady() ? AppModel::Need::setup : AppModel::Need::signIn);
        break;
    case Action::openLog:
        openLog();
        break;
    case Action::checkUpdates:
        updates_.checkForUpdates();
        break;
    case Action::quit:
        // Not quit(): that asks every window to close first, and the main window only hides, which would
        // cancel the quit while it is open.
        QCoreApplication::exit(0);
        break;
    }
}

void AppDelegate::openLog() {
    if (openFile ? openFile(AppLog::file()) : SettingsPage::openWithDesktop(AppLog::file())) return;
    // Nothing here opens it: the settings say so where their own log button does, with the log's place.
    showMain(AppModel::Section::settings);
    if (auto* page = qobject_cast<SettingsPage*>(mainWindow_ ? mainWindow_->view()->page() : nullptr))
        page->sayLogNotOpened();
}

} // namespace mivora
