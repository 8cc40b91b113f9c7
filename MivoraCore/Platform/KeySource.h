#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <set>

namespace mivora {

class Defaults;

// One keyboard or mouse-button event of the whole desktop, in the program's own key vocabulary: virtual
// key codes (Escape 53, Space 49, Fn 63...) and modifier flag bits, whatever the platform reports.
struct KeyEvent {
    enum Type : int {
        leftMouseDown = 1,
        rightMouseDown = 3,
        keyDown = 10,
        keyUp = 11,
        flagsChanged = 12, // a modifier key (Shift, Control, Option, Command, Caps Lock, Fn) changed
    };

    // Modifier flag bits, as they stand after the event.
    static constexpr std::uint64_t shiftFlag = 0x20000;
    static constexpr std::uint64_t controlFlag = 0x40000;
    static constexpr std::uint64_t optionFlag = 0x80000;
    static constexpr std::uint64_t commandFlag = 0x100000;
    static constexpr std::uint64_t fnFlag = 0x800000;

    // The mark the source puts into `userData` of events this program posted itself.
    static constexpr std::int64_t ownEventMark = 0x4D565241;

    int type = keyDown;
    int keyCode = 0;
    bool autoRepeat = false;
    std::uint64_t flags = 0;
    std::int64_t userData = 0;
    // The source can keep this event from the applications when the callback answers true. False when
    // the key is not announced, or another program took this press for itself (a shortcut of the window
    // manager): the application or that program gets it whatever the answer.
    bool swallowable = true;
    // When the source read the event (seconds of uptime); 0 when it does not say.
    double uptime = 0;

    // Every modifier flag.
    static constexpr std::uint64_t modifierFlags =
        shiftFlag | controlFlag | optionFlag | commandFlag | fnFlag;
};

// Watches the keyboard and the mouse buttons of the whole desktop and hands every event to one callback
// on the main thread. The callback's answer (true = swallow) keeps the event from the focused
// application, but only for keys announced with `setSwallowable` beforehand: every other key reaches
// the applications without waiting for the program. Keys typed while another program holds the whole
// keyboard (a screen locker, a password prompt) are that program's alone and never reach the callback.
class KeySource {
public:
    using Callback = std::function<bool(const KeyEvent&)>;

    virtual ~KeySource() = default;

    // Starts watching. True when running (also when it already was); false when the desktop's input
    // cannot be watched, in which case nothing is kept and a later call tries again.
    virtual bool start(Callback callback) = 0;
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
    // The virtual key codes whose events may be swallowed from now on (replaces the previous set). False
    // when the source could not arrange that in its time bound: a press of them may then reach the
    // application, and nothing that asks for them must be shown.
    virtual bool setSwallowable(const std::set<int>& codes) = 0;

    // Called on the main thread when the desktop's input has ended for good (the X server went away, the
    // user logged out): watching has stopped and cannot start again.
    std::function<void()> onEnded;

    // The user default naming the key that acts as Fn, and its value when unset.
    static constexpr const char* fnKeySetting = "fnKey";
    static constexpr const char* fnKeyFallback = "Control_R";
    // The key that acts as Fn according to `defaults` (an X11 key name such as "Control_R").
    static QString fnKeyName(const Defaults& defaults);
};

} // namespace mivora
