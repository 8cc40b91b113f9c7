#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class QAbstractButton;

namespace mivora {

class AppModel;
class HotkeyChange;
class SteadyScrollArea;
class StyledLabel;
class Switch;

// The settings section: the account block (where the build has an account server), the permission steps,
// the typing-suggestion and launch-at-login switches with the reset of muted words, the shortcuts with a way
// to change the hotkey at any time, the privacy notes and the about row. The switches keep the page's own
// copy of their setting, refilled from the services each time the page comes on screen or the setting is
// changed elsewhere while it is there.
//
// Launch at login: only the user's own flips (a click, a key, a screen reader's toggle) go to the login item.
// When one is refused, the message stays under the switch and the switch shows the login item's real state,
// without asking the login item again, until a later flip of the user's succeeds.
class SettingsPage final : public QWidget {
    Q_OBJECT
public:
    explicit SettingsPage(AppModel& model, QWidget* parent = nullptr);

    // Opens a file with the desktop's handler for it (the log file); false when nothing could open it.
    // Replaceable for tests.
    std::function<bool(const QString& file)> openFile;
    // What `openFile` does unless replaced (the tray's row for the log too). What Qt prints on the way (the
    // log's address, when no program opens it) stays off stderr: the page says so in its own words.
    static bool openWithDesktop(const QString& file);
    // Says under the about row that nothing here opens the log, and where it is (the tray's row that could
    // not open it comes here too).
    void sayLogNotOpened();

    // Shows the switches as the services hold them now; called on showing, and when one was changed elsewhere
    // (the tray's switch) while the page is there.
    void readBack();

    bool typingOn() const;
    bool loginOn() const;
    qint64 mutedWords() const { return mutedWords_; }
    std::optional<QString> loginError() const { return loginError_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* group(const QString& title, StyledLabel** subtitle, QWidget* content);
    QWidget* accountGroup();
    QWidget* permissionsGroup();
    QWidget* featuresGroup();
    QWidget* shortcutsGroup();
    void fillShortcuts();
    // Redraws the shortcuts when the hotkey changed.
    void followHotkey();
    QWidget* privacyGroup();
    QWidget* aboutGroup();
    void refresh();
    void setLogin(bool on);
    void setMutedWords(qint64 count);
    // Says at the foot of the page when the settings file did not take the last changes.
    void showSaveFailure();
    // Keeps the row of the user's last flip of `toggle`, for the note that may follow it.
    void remember(Switch* toggle);

    AppModel& model_;
    SteadyScrollArea* scroll_ = nullptr;
    QPointer<QWidget> flipped_; // the row of the switch the user flipped last
    StyledLabel* logNotOpened_ = nullptr;
    StyledLabel* unsaved_ = nullptr;
    QWidget* unsavedRule_ = nullptr; // the hairline over it
    QString hotkey_;                 // the key the shortcuts show
    qint64 mutedWords_ = 0;
    std::optional<QString> loginError_;
    QWidget* account_ = nullptr;
    StyledLabel* accountSubtitle_ = nullptr;
    StyledLabel* permissionsSubtitle_ = nullptr;
    QWidget* cloudNotice_ = nullptr;
    QWidget* shortcutRows_ = nullptr;
    HotkeyChange* hotkeyChange_ = nullptr;
    Switch* typing_ = nullptr;
    QWidget* muted_ = nullptr;
    StyledLabel* mutedText_ = nullptr;
    Switch* login_ = nullptr;
    StyledLabel* loginMessage_ = nullptr;
};

} // namespace mivora
