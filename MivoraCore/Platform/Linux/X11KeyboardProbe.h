#pragma once

#include "Platform/KeyboardProbe.h"

#include <map>

namespace mivora {

class OwnGrabs;
class X11Display;

// Asks the X server about keys over the program's short-request connection. Each question is a round
// trip; nothing is asked per key event. Main thread only.
class X11KeyboardProbe final : public KeyboardProbe {
public:
    X11KeyboardProbe(X11Display& display, const OwnGrabs& ownGrabs)
        : display_(display), ownGrabs_(ownGrabs) {}

    bool watchable() override;
    bool isDown(const QString& keyName) override;
    // Missing when no key produces the keysym; taken when a trial grab of it is refused because another
    // program holds it; free otherwise (the trial grab is released at once), and free without a trial while
    // this process's own key watcher holds it (as it holds a hotkey that is no modifier). The trial runs
    // with the keyboard frozen, so no key the user presses meanwhile is caught by it; while another program
    // holds the whole keyboard there is no trial, and the key's last answer stands (free before any).
    KeyState hotkeyState(const QString& keyName) override;
    // The native code of a key event is its keysym.
    QString keyName(quint32 nativeKey) override;

private:
    int keycodeFor(const QString& keyName);

    X11Display& display_;
    const OwnGrabs& ownGrabs_;
    std::map<int, KeyState> answers_; // each key code's last trial
};

} // namespace mivora
