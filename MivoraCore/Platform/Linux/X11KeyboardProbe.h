#pragma once

#include "Platform/KeyboardProbe.h"

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
    // this process's own key watcher holds it (as it holds a hotkey that is no modifier). A press that lands
    // on the trial grab is handed on to the application, never kept.
    KeyState hotkeyState(const QString& keyName) override;
    // The native code of a key event is its keysym.
    QString keyName(quint32 nativeKey) override;
    // Looks at every level of every group of the key that produces the name's keysym.
    bool typesText(const QString& keyName) override;
    // Whether `keysym` is a character, a dead accent or a key that edits text (Return, Tab, BackSpace).
    static bool typing(unsigned long keysym);

private:
    int keycodeFor(const QString& keyName);

    X11Display& display_;
    const OwnGrabs& ownGrabs_;
};

} // namespace mivora
