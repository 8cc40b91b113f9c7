#pragma once

#include <QWidget>

#include <array>
#include <optional>

namespace mivora {

class AppModel;
class Defaults;
class HotkeyCapture;
class KeyboardProbe;
class Permissions;
class SetupModel;
class StepRow;

// The three things dictation needs from the desktop, one numbered row each: the microphone, the
// accessibility service, and a hotkey that exists and that no other program holds. A row is ticked off
// as soon as the setup model reports it; the first unfinished one is the active one. Its button asks for
// the permission, opens the desktop's settings page, or (the hotkey) takes the next key pressed as the
// key to hold. When the number of unfinished steps changes, the rows that change (the one done, the one
// active next) move there along the kit's smooth spring, or with reduced motion in a short fade.
class PermissionSteps final : public QWidget {
    Q_OBJECT
public:
    // The keyboard names keys pressed while choosing the hotkey; the hotkey lives in `defaults` ("fnKey").
    PermissionSteps(SetupModel& setup, Permissions& permissions, Defaults& defaults, KeyboardProbe& keyboard,
                    QWidget* parent = nullptr);
    // The same with the window model's setup, permissions, settings and keyboard.
    explicit PermissionSteps(AppModel& model, QWidget* parent = nullptr);
    ~PermissionSteps() override;

    // The number of the first unfinished step, 0 when all three are done.
    int active() const;
    const std::array<StepRow*, 3>& rows() const { return rows_; }
    bool choosingHotkey() const;

private:
    void refresh();
    void requestMic();
    void hotkeyChosen(const QString& keyName);
    QString hotkeyDetail() const;

    SetupModel& setup_;
    Permissions& permissions_;
    Defaults& defaults_;
    std::array<StepRow*, 3> rows_{};
    HotkeyCapture* capture_;
    // Why the hotkey cannot serve, asked when the setup model says it is not free: absent (no such key)
    // or 1 (another program holds it).
    std::optional<int> hotkeyUsage_ = 0;
    // The number of unfinished steps the rows show: a change of it moves the rows along the smooth spring.
    int shownRemaining_;
};

} // namespace mivora
