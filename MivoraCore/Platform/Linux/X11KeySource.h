#pragma once

#include "Platform/KeySource.h"
#include "Platform/Linux/X11Errors.h"
#include "Platform/Linux/X11KeyEvents.h"

#include <QObject>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

typedef struct _XDisplay Display;
union _XEvent;

namespace mivora {

class Clock;
class Defaults;
class OwnGrabs;
class OwnKeyEvents;

// The desktop's keys and mouse buttons through X11, on a connection of its own read on a thread of its own,
// so that each event is looked at when it comes, whatever the main thread is doing (a read of a slow
// application): the grab that holds the keyboard then is the one that took the key. Every event is handed
// to the callback on the main thread, in order. A key the server holds the keyboard for until we answer
// (a grabbed one) waits for the callback's answer there; the hotkey, kept whatever the callback says, is
// answered on the thread at once.
//
// Watching: XInput2 raw key and button events on the root window. They arrive whoever has the focus or
// a grab, once per physical press (no auto-repeats), and before any grab takes effect.
// Swallowing: the swallowable keys are grabbed (XGrabKey, any modifiers, keyboard frozen on press).
// When such a key goes down the server holds the keyboard until we answer: a swallowed press stays
// with us, a passed one is replayed to the focused window as if never grabbed. While a swallowed key
// is held the server reports every key to us instead of raw (auto-repeats of the held key included);
// each of those is answered the same way, so only what the handler swallows is kept from applications.
// A key another program has grabbed already cannot be grabbed (the server refuses); it is then tried
// per modifier combination, at once and from then on, and what stays refused is only watched, never
// swallowed.
// The hotkey: a modifier (the right Control) does nothing alone in applications and is only watched, so
// shortcuts made with it keep working; any other key (F9) is grabbed for as long as it is the hotkey and
// kept from applications press, repeats and release, or each take would also type it.
// Another program holding the whole keyboard (a screen locker, a password prompt: XGrabKeyboard) still lets
// raw events through to us. Every grab that starts or ends moves the focus "as if" to the grab window and
// back, in focus events marked as grab and ungrab that the focused window (or the root, when the focus is
// there) receives; we watch both. Our own grabs show there too, but while we hold one no raw event comes.
// So a raw press that comes while a grab is on belongs to another program, and is dropped unseen. The
// focused window is watched only from when we learn that it has the focus: a grab that starts or ends on it
// before then (a password prompt that takes the focus and grabs at once, a switcher that focuses the chosen
// window and exits) is told by asking the server, once per move of the focus, whether a grab is on. The
// presses typed between a move of the focus and that answer went to a window we had not looked at (when we
// lag behind, maybe a prompt that has come and gone meanwhile), and are dropped; focus events from before
// the answer say nothing of the grabs any more.
// A press of a swallowable key is swallowable only when our grab reported it: another program's grab of
// that key with the modifiers held (the window manager's Alt+Tab) takes it before ours.
class X11KeySource final : public QObject, public KeySource {
    Q_OBJECT
public:
    X11KeySource(Defaults& defaults, Clock& clock, OwnKeyEvents& own, OwnGrabs& grabs,
                 QObject* parent = nullptr);
    ~X11KeySource() override;

    bool start(Callback callback) override;
    void stop() override;
    bool isRunning() const override { return display_ != nullptr; }
    bool setSwallowable(const std::set<int>& codes) override;

    // The event loop's steps, callable by hand (tests, benchmarks) without a connection, where the callback
    // is called at once:
    // where events go, which key map translates them,
    void setCallback(Callback callback) { callback_ = std::move(callback); }
    void setKeyMap(const X11KeyMap& map);
    // one XInput2 raw event (XI_RawKeyPress, XI_RawKeyRelease or XI_RawButtonPress; `detail` is the key
    // code or button, `time` the server time); returns the callback's answer;
    bool handleRaw(int evtype, int detail, unsigned long time);
    // one key event reported through a grab; true = keep it from the applications, false = replay it.
    bool handleCore(bool press, int keycode, unsigned long time);
    // One focus event's mode (NotifyNormal, NotifyGrab, NotifyUngrab, NotifyWhileGrabbed) on a watched
    // window.
    void handleFocus(int mode);
    // A grab of the keyboard is on that is not ours: key presses are another program's.
    bool othersHoldKeyboard() const { return othersGrab_; }

private:
    struct Request {
        int keycode;
        unsigned int modifiers;
    };
    struct Answer {
        unsigned long time = 0;
        bool valid = false;
        bool swallow = false;
    };

    // The reading thread: reads and answers events, and makes the grabs the main thread announces, until
    // told to stop.
    void read();
    // Main thread: the connection ended (the X server went away) while watching since `generation`.
    void connectionEnded(std::uint64_t generation);
    void drain();
    // On the reading thread: makes the grabs for the keys announced last.
    void applyAnnounced();
    void wake();
    void dispatch(::_XEvent& event);
    // True when it asked for a grab that was not there.
    bool applyGrabs();
    void grab(int keycode, unsigned int modifiers);
    void grabEachCombination(int keycode);
    void onError(const X11Errors::Error& error);
    void retryRefused();
    void reloadKeyMap();
    // The keyboard's map changed: what each key types now decides which codes are the hotkey and the keys
    // announced, and which are grabbed.
    void followKeyMap();
    // Watches the window that has the focus now for the focus events of grabs (and for its end).
    void followFocus();
    // Asks whether another program's grab of the keyboard is on now.
    void checkGrab();
    // Whether our grab reported this press (a round trip: only for keys we grab).
    bool reportedByGrab(int keycode, unsigned long time);
    // Hands `event` to the callback. On the reading thread it goes to the main thread: with `answer` the
    // thread waits there for the callback's answer (false once stopping); without, it returns false at once.
    bool deliver(const KeyEvent& event, bool answer = true);
    bool call(const KeyEvent& event);
    bool onReader() const;
    // Translates raw key codes with `map`, the hotkey being `fnKeyName_`.
    void useKeyMap(const X11KeyMap& map);
    // The key at `keycode` is the hotkey and is kept from applications whatever the handler answers.
    bool keepsHotkey(int keycode) const;
    // Tells `ownGrabs_` which keys are held on every combination by this watcher alone.
    void publishGrabs();

    Defaults& defaults_;
    Clock& clock_;
    OwnGrabs& ownGrabs_;
    X11KeyEvents events_;
    Callback callback_;
    Display* display_ = nullptr;
    int xiOpcode_ = -1;
    int xkbEventBase_ = -1;          // the event code XKB's events come with; -1 without XKB
    QString fnKeyName_;              // read when watching starts (a change of the hotkey starts it again)
    bool grabsHotkey_ = false;       // the hotkey is no modifier key
    unsigned long watchedFocus_ = 0; // the focus window whose focus events we select; 0 for none
    bool othersGrab_ = false;        // a grab of the keyboard is on, and raw events come: not ours
    unsigned long probeWindow_ = 0;  // never mapped: a grab on it can only be refused, and tells by whom
    // The serial of our last question about grabs: presses and focus events with a smaller one came before
    // what we know now.
    unsigned long lookedAt_ = 0;

    // The handler's answer to the last raw press of each key, so the same press reported again by a
    // grab (same server time) gets the same answer without asking twice.
    std::array<Answer, X11KeyMap::keycodeCount> pressAnswers_{};

    std::set<int> swallowable_;                 // virtual key codes
    std::set<int> grabbed_;                     // X11 key codes
    std::map<unsigned long, Request> requests_; // grab requests in flight, by request serial
    std::set<int> reported_;                    // key codes whose refusal has been logged
    std::set<int> perCombination_;              // key codes another program holds with some modifiers
    std::vector<Request> refusals_;             // refusals waiting to be dealt with after the read

    std::thread reader_;
    int wakeFds_[2] = {-1, -1};    // a pipe the main thread wakes the reading thread through
    std::uint64_t generation_ = 0; // main thread: events handed on before the last stop are dropped
    std::mutex mutex_;             // guards what follows, shared by both threads
    std::condition_variable answered_;
    bool stopping_ = false;
    std::atomic<bool> ended_ = false; // the connection has ended: set inside Xlib, on whichever thread met it
    std::optional<std::set<int>> announced_; // swallowable keys not yet grabbed by the reading thread
    std::uint64_t announcedSerial_ = 0;      // counts the announcements
    std::uint64_t appliedSerial_ = 0;        // the last announcement the reading thread has grabbed for
    std::condition_variable applied_;
    std::uint64_t asked_ = 0; // the last event the reading thread waits to have answered
    std::uint64_t answeredUpTo_ = 0;
    bool answer_ = false;
    std::set<int> announcedNow_; // main thread: what was announced last
};

} // namespace mivora
