#pragma once

#include "Support/Scheduler.h"

#include <QList>
#include <QObject>

#include <functional>

namespace mivora {

class Permissions;

// Whether this computer is ready to dictate: the microphone, the accessibility service, a free hotkey, a
// configured recogniser and, where the recogniser needs one, a signed-in account, each the last probe's
// answer. Re-read once a second while a window that shows them is open. Every write notifies, changed or
// not.
//
// `ready()` and `missing()` are the one answer to "can the user dictate now?": the window's footer, the
// welcome, the tray and the lines a start prints all read them.
class SetupModel final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool mic READ mic WRITE setMic NOTIFY micChanged)
    Q_PROPERTY(bool accessibility READ accessibility WRITE setAccessibility NOTIFY accessibilityChanged)
    Q_PROPERTY(bool fnFree READ fnFree WRITE setFnFree NOTIFY fnFreeChanged)
    Q_PROPERTY(bool cloudReady READ cloudReady WRITE setCloudReady NOTIFY cloudReadyChanged)
    Q_PROPERTY(bool accountReady READ accountReady WRITE setAccountReady NOTIFY accountReadyChanged)

public:
    static constexpr double pollInterval = 1.0;

    // What stands between the user and a take, in the order the user deals with it.
    enum class Missing { mic, accessibility, hotkey, recognizer, account };

    // Reads the probes once at once. `cloudReady` answers whether a recogniser can be made now.
    SetupModel(Permissions& permissions, std::function<bool()> cloudReady, Scheduler& scheduler,
               QObject* parent = nullptr);
    ~SetupModel() override;

    void refresh();
    // Asks whether the account the recogniser needs is there (true where none is needed), at once and on
    // every refresh. Unset: no account is needed.
    void setAccountProbe(std::function<bool()> probe);
    // (Re)starts the once-a-second refresh; the first comes a second from now.
    void startPolling();
    void stopPolling();
    bool polling() const { return timer_ != 0; }

    bool mic() const { return mic_; }
    bool accessibility() const { return accessibility_; }
    bool fnFree() const { return fnFree_; }
    bool cloudReady() const { return cloudReady_; }
    bool accountReady() const { return accountReady_; }
    void setMic(bool on) { mic_ = on, emit micChanged(); }
    void setAccessibility(bool on) { accessibility_ = on, emit accessibilityChanged(); }
    void setFnFree(bool on) { fnFree_ = on, emit fnFreeChanged(); }
    void setCloudReady(bool on) { cloudReady_ = on, emit cloudReadyChanged(); }
    void setAccountReady(bool on) { accountReady_ = on, emit accountReadyChanged(); }

    // The microphone, accessibility and the hotkey; the recogniser is not part of it.
    bool allSet() const { return mic_ && accessibility_ && fnFree_; }
    int remaining() const { return int(!mic_) + int(!accessibility_) + int(!fnFree_); }
    // Everything not there yet; empty when a take can work now.
    QList<Missing> missing() const;
    bool ready() const { return missing().isEmpty(); }

signals:
    void micChanged();
    void accessibilityChanged();
    void fnFreeChanged();
    void cloudReadyChanged();
    void accountReadyChanged();

private:
    Permissions& permissions_;
    std::function<bool()> cloudProbe_;
    std::function<bool()> accountProbe_;
    Scheduler& scheduler_;
    Scheduler::TimerId timer_ = 0;
    bool mic_ = false;
    bool accessibility_ = false;
    bool fnFree_ = false;
    bool cloudReady_ = false;
    bool accountReady_ = true;
};

} // namespace mivora
