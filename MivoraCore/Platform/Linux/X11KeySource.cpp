#include "Platform/Linux/X11KeySource.h"

#include "Platform/KeyCodes.h"
#include "Platform/Linux/OwnGrabs.h"
#include "Platform/Linux/OwnKeyEvents.h"
#include "Platform/Linux/X11Display.h"
#include "Platform/Linux/X11Errors.h"
#include "Support/AppLog.h"
#include "Support/Clock.h"
#include "Support/Defaults.h"

#include <QMetaObject>

#include <algorithm>
#include <chrono>
#include <exception>
#include <memory>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>

namespace mivora {

namespace {

// Modifiers tried one combination at a time when a key cannot be grabbed with any modifiers at once
// (another program holds it with some of them): Shift, Caps Lock, Control, Alt, Num Lock, Super.
constexpr unsigned int fallbackModifiers[] = {ShiftMask, LockMask, ControlMask, Mod1Mask, Mod2Mask, Mod4Mask};

// The source whose connection the current thread reads, if any.
thread_local const void* readingFor = nullptr;

} // namespace

X11KeySource::X11KeySource(Defaults& defaults, Clock& clock, OwnKeyEvents& own, OwnGrabs& grabs,
                           QObject* parent)
    : QObject(parent), defaults_(defaults), clock_(clock), ownGrabs_(grabs), events_(clock, own) {}

X11KeySource::~X11KeySource() {
    stop();
}

bool X11KeySource::start(Callback callback) {
    if (display_) {
        callback_ = std::move(callback);
        return true;
    }
    // The connection is read on a thread of its own while the main thread uses Xlib on others.
    XInitThreads();
    Display* d = XOpenDisplay(nullptr);
    if (!d) return false;
    // Before the first request that may fail: Xlib's default handler would end the process.
    X11Errors::watch(d, [this](const X11Errors::Error& e) { onError(e); });
    // The X server going away ends the reading, never the process from this thread: see `connectionEnded`.
    ended_ = false;
    X11Errors::watchEnd(d, [this] { ended_ = true; });
    int opcode = -1;
    if (!X11Display::hasRawEvents(d, &opcode)) {
        XCloseDisplay(d);
        X11Errors::unwatch(d);
        return false;
    }
    display_ = d;
    xiOpcode_ = opcode;
    callback_ = std::move(callback);

    // Auto-repeat reaches us as repeated presses only (no release in between), so a repeat is told
    // apart from a new press.
    Bool detectable = False;
    XkbSetDetectableAutoRepeat(d, True, &detectable);
    // A connection that speaks XKB (Xlib's does) gets no core MappingNotify: a new key map (xmodmap,
    // setxkbmap, a keyboard plugged in) comes as these events, which are sent only when asked for.
    int xkbEvent = 0, xkbError = 0, xkbMajor = XkbMajorVersion, xkbMinor = XkbMinorVersion;
    if (XkbQueryExtension(d, nullptr, &xkbEvent, &xkbError, &xkbMajor, &xkbMinor)) {
        xkbEventBase_ = xkbEvent;
        constexpr unsigned int wanted = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
        XkbSelectEvents(d, XkbUseCoreKbd, wanted, wanted);
    }
    fnKeyName_ = KeySource::fnKeyName(defaults_);
    reloadKeyMap();

    unsigned char mask[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(mask, XI_RawKeyPress);
    XISetMask(mask, XI_RawKeyRelease);
    XISetMask(mask, XI_RawButtonPress);
    XIEventMask events{XIAllMasterDevices, int(sizeof mask), mask};
    XISelectEvents(d, DefaultRootWindow(d), &events, 1);
    // Grabs that start or end while the focus is on the root (or follows the pointer) show here.
    XSelectInput(d, DefaultRootWindow(d), FocusChangeMask);
    probeWindow_ =
        XCreateWindow(d, DefaultRootWindow(d), -1, -1, 1, 1, 0, 0, InputOnly, CopyFromParent, 0, nullptr);
    // A grab may be on already, with the focus on a window of its own: this asks.
    followFocus();

    // Keys announced while stopped are grabbed now.
    applyGrabs();
    announcedNow_ = swallowable_;

    if (::pipe2(wakeFds_, O_CLOEXEC | O_NONBLOCK) != 0) {
        wakeFds_[0] = wakeFds_[1] = -1;
        stop();
        return false;
    }
    stopping_ = false;
    reader_ = std::thread([this] { read(); });
    return true;
}

void X11KeySource::stop() {
    if (!display_) return;
    if (reader_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        answered_.notify_all();
        wake();
        reader_.join();
    }
    for (int& fd : wakeFds_) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    // Events the thread handed on that the main thread has not seen yet go nowhere.
    ++generation_;
    announced_.reset();
    // What was announced last is grabbed at the next start, whether or not the thread got to it.
    swallowable_ = announcedNow_;
    Display* d = display_;
    display_ = nullptr;
    // A connection that has ended is never touched again: Xlib can wait forever on one whose end it met in
    // the middle of a request. Its grabs ended with the server; the little it holds goes with the process.
    if (!ended_)
        for (int kc : grabbed_)
            XUngrabKey(d, kc, AnyModifier, DefaultRootWindow(d));
    grabbed_.clear();
    publishGrabs();
    requests_.clear();
    refusals_.clear();
    // Closing also ends any grab still active, so a frozen keyboard is let go.
    if (!ended_) {
        XCloseDisplay(d);
        X11Errors::unwatch(d);
    }
    events_.reset();
    pressAnswers_ = {};
    watchedFocus_ = 0;
    othersGrab_ = false;
    probeWindow_ = 0;
    lookedAt_ = 0;
}

bool X11KeySource::setSwallowable(const std::set<int>& codes) {
    if (!display_) {
        swallowable_ = codes;
        return true;
    }
    // The reading thread owns the connection: it grabs as soon as it is woken, also while it waits for the
    // answer to a key (this call may come from the handler answering it). A key is announced just before
    // it can be pressed (Tab as the strip appears), so the grabs are in place before this returns, as a
    // grab made here would be: the wait is one round trip to the X server, and bounded all the same.
    std::unique_lock lock(mutex_);
    std::uint64_t serial = announcedSerial_;
    // The same keys again: no new announcement, but one whose grabs a busy reading thread has not made yet
    // is still waited for, so that nothing shown for the keys comes before they are held.
    if (codes != announcedNow_) {
        announcedNow_ = codes;
        announced_ = codes;
        serial = ++announcedSerial_;
        answered_.notify_all();
        wake();
    }
    const bool held = applied_.wait_for(lock, std::chrono::seconds(2),
                                        [&] { return appliedSerial_ >= serial || stopping_; });
    lock.unlock();
    // What would be shown for the keys is not: they may reach the application.
    if (!held) AppLog::write(QStringLiteral("按键监听：2 秒内没能按住要用的键"));
    return held;
}

void X11KeySource::wake() {
    if (wakeFds_[1] < 0) return;
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(wakeFds_[1], &byte, 1);
}

void X11KeySource::applyAnnounced() {
    std::optional<std::set<int>> codes;
    std::uint64_t serial = 0;
    {
        std::lock_guard lock(mutex_);
        codes = std::exchange(announced_, std::nullopt);
        serial = announcedSerial_;
    }
    if (!codes) return;
    // Whatever happens below, the announcing thread waits no longer.
    const std::shared_ptr<void> done(nullptr, [this, serial](void*) {
        {
            std::lock_guard lock(mutex_);
            appliedSerial_ = std::max(appliedSerial_, serial);
        }
        applied_.notify_all();
    });
    if (*codes == swallowable_) return;
    swallowable_ = std::move(*codes);
    if (applyGrabs()) {
        // A key is announced just before it can be pressed (Tab as the strip appears). When another program
        // holds the key with some modifiers, the any-modifier grab is refused and only the grabs per
        // combination that follow it catch the key: wait for the server's answer here and make them now,
        // rather than when the next key arrives (the very key to catch).
        XSync(display_, False);
        // The grabs per combination are in place before the key can come too.
        if (!refusals_.empty()) {
            retryRefused();
            XSync(display_, False);
        }
    }
    XFlush(display_);
}

bool X11KeySource::onReader() const {
    return readingFor == this;
}

bool X11KeySource::deliver(const KeyEvent& event, bool answer) {
    if (!onReader()) return call(event);
    const std::uint64_t generation = generation_; // the main thread changes it only while we are stopped
    if (!answer) {
        QMetaObject::invokeMethod(
            this,
            [this, event, generation] {
                if (generation == generation_) call(event);
            },
            Qt::QueuedConnection);
        return false;
    }
    std::unique_lock lock(mutex_);
    const std::uint64_t asked = ++asked_;
    QMetaObject::invokeMethod(
        this,
        [this, event, generation, asked] {
            const bool swallow = generation == generation_ && call(event);
            {
                std::lock_guard lock(mutex_);
                answeredUpTo_ = asked;
                answer_ = swallow;
            }
            answered_.notify_all();
        },
        Qt::QueuedConnection);
    // The keyboard stays frozen meanwhile: this is the only wait, and stopping ends it. Keys the handler
    // announces meanwhile are grabbed at once: it waits for them.
    for (;;) {
        answered_.wait(lock, [&] { return answeredUpTo_ >= asked || stopping_ || announced_.has_value(); });
        if (answeredUpTo_ >= asked || stopping_) break;
        lock.unlock();
        applyAnnounced();
        lock.lock();
    }
    return answeredUpTo_ >= asked && answer_;
}

bool X11KeySource::call(const KeyEvent& event) {
    if (!callback_) return false;
    // A grabbed key holds the whole keyboard frozen until it is answered, and an exception would leave
    // through the event loop without an answer: a failing handler passes the key on instead.
    try {
        return callback_(event);
    } catch (const std::exception& e) {
        AppLog::write(QStringLiteral("按键处理出错：") + QString::fromUtf8(e.what()));
    } catch (...) {
        AppLog::write(QStringLiteral("按键处理出错"));
    }
    return false;
}

bool X11KeySource::handleRaw(int evtype, int detail, unsigned long time) {
    std::optional<KeyEvent> event;
    switch (evtype) {
    case XI_RawKeyPress:
        // Typed into the program that holds the keyboard. Left out of the key state too, so its release
        // is nothing either; a key held from before still has its release seen.
        if (othersGrab_) return false;
        event = events_.press(detail);
        if (event) event->swallowable = reportedByGrab(detail, time);
        break;
    case XI_RawKeyRelease:
        event = events_.release(detail);
        break;
    case XI_RawButtonPress:
        event = X11KeyEvents::button(detail);
        break;
    default:
        return false;
    }
    if (!event) return false;
    event->uptime = clock_.uptime();
    const bool hotkey = evtype != XI_RawButtonPress && keepsHotkey(detail);
    // Only a press our grab reported waits for its answer: the server holds the keyboard for it.
    const bool swallow = deliver(*event, evtype == XI_RawKeyPress && event->swallowable && !hotkey) || hotkey;
    if (evtype == XI_RawKeyPress && detail >= 0 && detail < X11KeyMap::keycodeCount)
        pressAnswers_[std::size_t(detail)] = {time, true, swallow};
    return swallow;
}

bool X11KeySource::reportedByGrab(int keycode, unsigned long time) {
    if (!display_ || !grabbed_.count(keycode)) return false;
    // The server sends our grab's report of a press right behind its raw event: after a round trip it is
    // in Xlib's queue, or another program's grab took the press. Looked at, not taken from the queue.
    XSync(display_, False);
    struct Wanted {
        int keycode;
        unsigned long time;
        bool found;
    } wanted{keycode, time, false};
    XEvent event;
    XCheckIfEvent(
        display_, &event,
        [](Display*, XEvent* e, XPointer arg) -> Bool {
            auto* w = reinterpret_cast<Wanted*>(arg);
            if (e->type == KeyPress && int(e->xkey.keycode) == w->keycode && e->xkey.time == w->time)
                w->found = true;
            return False;
        },
        reinterpret_cast<XPointer>(&wanted));
    return wanted.found;
}

void X11KeySource::handleFocus(int mode) {
    switch (mode) {
    case NotifyGrab:
    case NotifyWhileGrabbed:
        othersGrab_ = true;
        break;
    case NotifyUngrab:
    case NotifyNormal:
        othersGrab_ = false;
        break;
    default:
        break;
    }
}

void X11KeySource::followFocus() {
    const Window root = DefaultRootWindow(display_);
    // The focus may move on before the server has our selection on the window it went to, and that move
    // would go unseen: ask again (the question is answered after the selection) until it stays.
    for (int round = 0; round < 4; ++round) {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(display_, &focus, &revert);
        const unsigned long wanted = focus == None || focus == PointerRoot || focus == root ? 0 : focus;
        if (wanted == watchedFocus_) break;
        // The old window may be gone already: the error that brings is not ours to act on.
        if (watchedFocus_) XSelectInput(display_, watchedFocus_, NoEventMask);
        watchedFocus_ = wanted;
        // Another client's window: these masks are ours alone and change nothing for its owner. Its end
        // sends the focus elsewhere without a focus event here.
        if (watchedFocus_) XSelectInput(display_, watchedFocus_, FocusChangeMask | StructureNotifyMask);
    }
    // A grab that started or ended on the new window before we watched it told nobody. And when we lag
    // behind, the focus event that brought us here may be older than what we watch now: its mode says
    // nothing of the grabs there.
    checkGrab();
}

void X11KeySource::checkGrab() {
    if (!display_ || !probeWindow_) return;
    // A grab on a window that is not viewable is refused, but only after the server has looked whether
    // another client holds the keyboard: the answer tells that, and no grab of ours starts. While we hold
    // one ourselves the server skips that look and refuses for the window alone, leaving ours as it is.
    // The presses the server handled before this question came while the focus was on its way, into
    // windows we never looked at (when we lag behind, maybe a password prompt that has come and gone
    // meanwhile): whose they were is not known, so they are nobody's.
    lookedAt_ = NextRequest(display_);
    const int status =
        XGrabKeyboard(display_, probeWindow_, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (status == GrabSuccess) XUngrabKeyboard(display_, CurrentTime); // the window was mapped by someone
    othersGrab_ = status == AlreadyGrabbed || status == GrabFrozen;
}

bool X11KeySource::handleCore(bool press, int keycode, unsigned long time) {
    if (keycode < 0 || keycode >= X11KeyMap::keycodeCount) return false;
    const bool hotkey = keepsHotkey(keycode);
    if (!press) {
        const auto event = events_.release(keycode);
        const bool swallow = event && deliver(*event, !hotkey);
        return swallow || hotkey;
    }
    // The press that set off a grab was reported raw just before: answer as the handler did then.
    Answer& answer = pressAnswers_[std::size_t(keycode)];
    if (answer.valid && answer.time == time) {
        answer.valid = false;
        return answer.swallow;
    }
    // Otherwise the grab is active (raw events do not come while we hold one): an auto-repeat of a
    // held key, or a new press.
    const auto event = events_.isDown(keycode) ? events_.repeat(keycode) : events_.press(keycode);
    const bool swallow = event && deliver(*event, !hotkey);
    return swallow || hotkey;
}

void X11KeySource::read() {
    readingFor = this;
    pollfd watched[2] = {{ConnectionNumber(display_), POLLIN, 0}, {wakeFds_[0], POLLIN, 0}};
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) break;
        }
        // Keys announced come first: the next key may be the one to catch.
        applyAnnounced();
        drain();
        applyAnnounced();
        // Writing may have read events into Xlib's queue, where polling the socket cannot see them; a
        // grabbed key left there would keep the keyboard frozen.
        if (ended_) break;
        if (XQLength(display_) > 0) continue;
        if (::poll(watched, 2, -1) < 0) continue;
        char bytes[64];
        while (::read(wakeFds_[0], bytes, sizeof bytes) > 0) {
        }
    }
    readingFor = nullptr;
    if (!ended_) return;
    // Nothing more of this thread after this: the main thread ends the program, and may be doing so already
    // (its own connection to the same server ends too), so no exit and no log line from here.
    QMetaObject::invokeMethod(
        this, [this, generation = generation_] { connectionEnded(generation); }, Qt::QueuedConnection);
}

void X11KeySource::connectionEnded(std::uint64_t generation) {
    if (generation != generation_ || !display_) return;
    stop();
    if (onEnded) onEnded();
}

void X11KeySource::drain() {
    for (;;) {
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            dispatch(event);
        }
        const unsigned long processed = LastKnownRequestProcessed(display_);
        requests_.erase(requests_.begin(), requests_.upper_bound(processed));
        retryRefused();
        XFlush(display_);
        // Flushing also reads what has arrived meanwhile into Xlib's queue.
        if (XQLength(display_) == 0) return;
    }
}

void X11KeySource::dispatch(XEvent& event) {
    if (event.type == GenericEvent && event.xcookie.extension == xiOpcode_) {
        if (!XGetEventData(display_, &event.xcookie)) return;
        const auto* raw = static_cast<const XIRawEvent*>(event.xcookie.data);
        const int evtype = raw->evtype;
        const int detail = raw->detail;
        const unsigned long time = raw->time;
        XFreeEventData(display_, &event.xcookie);
        // Typed while the focus moved, before we knew where it went.
        if (evtype == XI_RawKeyPress && event.xcookie.serial < lookedAt_) return;
        handleRaw(evtype, detail, time);
    } else if (event.type == KeyPress || event.type == KeyRelease) {
        const XKeyEvent key = event.xkey;
        const bool keep = handleCore(key.type == KeyPress, int(key.keycode), key.time);
        // The keyboard stays frozen until we answer. Keeping it: the next key is reported to us
        // too (the grab lasts while the key is held); replaying it: the grab ends and the focused
        // window gets the event.
        if (display_) XAllowEvents(display_, keep ? SyncKeyboard : ReplayKeyboard, key.time);
    } else if (event.type == FocusIn || event.type == FocusOut) {
        // One from before our last look at the grabs (we lag behind) says nothing of them now.
        if (event.xany.serial >= lookedAt_) handleFocus(event.xfocus.mode);
        // The focus moved (not to a grab window and back): watch where it went.
        if (event.xfocus.mode == NotifyNormal || event.xfocus.mode == NotifyWhileGrabbed) followFocus();
    } else if (event.type == DestroyNotify || event.type == UnmapNotify) {
        if (event.xany.window != watchedFocus_) return;
        if (event.type == DestroyNotify) watchedFocus_ = 0;
        followFocus();
    } else if (event.type == MappingNotify) {
        XRefreshKeyboardMapping(&event.xmapping);
        if (event.xmapping.request != MappingPointer) followKeyMap();
    } else if (xkbEventBase_ >= 0 && event.type == xkbEventBase_) {
        auto& xkb = reinterpret_cast<XkbEvent&>(event);
        if (xkb.any.xkb_type == XkbMapNotify) {
            XkbRefreshKeyboardMapping(&xkb.map);
            followKeyMap();
        } else if (xkb.any.xkb_type == XkbNewKeyboardNotify) {
            followKeyMap();
        }
    }
}

void X11KeySource::followKeyMap() {
    // Grabs belong to key codes, not to what they type: only codes that gained or lost a swallowable key
    // change. Letting go of every grab and grabbing again would leave a key the strip or a take holds
    // ungrabbed for a moment, and the server handles input between any two of our requests.
    reloadKeyMap();
    applyGrabs();
}

void X11KeySource::reloadKeyMap() {
    useKeyMap(X11KeyMap::fromDisplay(display_, fnKeyName_));
}

void X11KeySource::setKeyMap(const X11KeyMap& map) {
    fnKeyName_ = KeySource::fnKeyName(defaults_);
    useKeyMap(map);
}

void X11KeySource::useKeyMap(const X11KeyMap& map) {
    const KeySym hotkey = XStringToKeysym(fnKeyName_.toLatin1().constData());
    grabsHotkey_ = hotkey != NoSymbol && !IsModifierKey(hotkey);
    events_.setKeyMap(map);
}

bool X11KeySource::keepsHotkey(int keycode) const {
    return grabsHotkey_ && events_.keyMap()[keycode].role == X11KeyMap::Role::fn;
}

bool X11KeySource::applyGrabs() {
    const X11KeyMap& map = events_.keyMap();
    std::set<int> wanted;
    for (int code : swallowable_)
        for (int kc : map.keycodesFor(code))
            wanted.insert(kc);
    if (grabsHotkey_)
        for (int kc : map.keycodesFor(KeyCode::fn))
            wanted.insert(kc);
    const Window root = DefaultRootWindow(display_);
    for (auto it = grabbed_.begin(); it != grabbed_.end();) {
        if (wanted.count(*it)) {
            ++it;
            continue;
        }
        // Releases every combination we hold; a grab active right now (the key is held) lasts
        // until the key goes up, so its repeats and release stay with us.
        XUngrabKey(display_, *it, AnyModifier, root);
        it = grabbed_.erase(it);
    }
    bool added = false;
    for (int kc : wanted) {
        if (!grabbed_.insert(kc).second) continue;
        added = true;
        if (perCombination_.count(kc))
            grabEachCombination(kc);
        else
            grab(kc, AnyModifier);
    }
    publishGrabs();
    return added;
}

void X11KeySource::publishGrabs() {
    // A key another program holds on some combination (or on none we could take) is not ours alone.
    std::set<int> held;
    for (int kc : grabbed_)
        if (!perCombination_.count(kc) && !reported_.count(kc)) held.insert(kc);
    if (!onReader()) return ownGrabs_.set(std::move(held));
    QMetaObject::invokeMethod(
        this,
        [this, held = std::move(held), generation = generation_]() mutable {
            if (generation == generation_) ownGrabs_.set(std::move(held));
        },
        Qt::QueuedConnection);
}

void X11KeySource::grabEachCombination(int keycode) {
    for (unsigned int combo = 0; combo < (1u << std::size(fallbackModifiers)); ++combo) {
        unsigned int modifiers = 0;
        for (std::size_t bit = 0; bit < std::size(fallbackModifiers); ++bit)
            if (combo & (1u << bit)) modifiers |= fallbackModifiers[bit];
        grab(keycode, modifiers);
    }
}

void X11KeySource::grab(int keycode, unsigned int modifiers) {
    requests_[NextRequest(display_)] = {keycode, modifiers};
    XGrabKey(display_, keycode, modifiers, DefaultRootWindow(display_), False, GrabModeAsync, GrabModeSync);
}

void X11KeySource::onError(const X11Errors::Error& error) {
    // Called inside Xlib: only note what happened, act after the read.
    if (error.requestCode != X_GrabKey || error.errorCode != BadAccess) return;
    const auto it = requests_.find(error.serial);
    if (it != requests_.end()) refusals_.push_back(it->second);
}

void X11KeySource::retryRefused() {
    if (refusals_.empty()) return;
    const std::vector<Request> refusals = std::move(refusals_);
    refusals_.clear();
    for (const Request& r : refusals) {
        if (!grabbed_.count(r.keycode)) continue; // no longer wanted
        if (r.modifiers == AnyModifier) {
            // Known from now on: the next grabs of this key go per combination at once.
            perCombination_.insert(r.keycode);
            grabEachCombination(r.keycode);
        } else if (r.modifiers == 0 && reported_.insert(r.keycode).second) {
            const char* name = XKeysymToString(XkbKeycodeToKeysym(display_, ::KeyCode(r.keycode), 0, 0));
            AppLog::write(QStringLiteral("按键 %1 已被其他程序占用，无法拦截")
                              .arg(name ? QString::fromLatin1(name) : QString::number(r.keycode)));
        }
    }
    publishGrabs();
}

} // namespace mivora
