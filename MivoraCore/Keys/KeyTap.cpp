#include "Keys/KeyTap.h"

#include "Platform/KeyCodes.h"
#include "Support/Clock.h"
#include "Support/Scheduler.h"

#include <utility>

namespace mivora {

KeyTap::KeyTap(std::unique_ptr<KeySource> source, Clock& clock) : source_(std::move(source)), clock_(clock) {}

KeyTap::~KeyTap() {
    stop();
}

bool KeyTap::start() {
    if (source_->isRunning()) return true;
    if (!source_->start([this](const KeyEvent& e) { return process(e); })) return false;
    updateSwallowable();
    return true;
}

void KeyTap::stop() {
    source_->stop();
    held_.clear();
    resumeWaiting();
    // Changes while stopped go unseen; a Fn or Shift remembered as down would hide the next press.
    fnDown_ = false;
    shiftDown_ = false;
}

bool KeyTap::isRunning() const {
    return source_->isRunning();
}

bool KeyTap::setSwallowable(const std::string& owner, std::set<int> codes) {
    if (codes.empty())
        owners_.erase(owner);
    else
        owners_[owner] = std::move(codes);
    return updateSwallowable();
}

std::set<int> KeyTap::swallowable() const {
    std::set<int> all = held_;
    for (const auto& [owner, codes] : owners_)
        all.insert(codes.begin(), codes.end());
    return all;
}

bool KeyTap::updateSwallowable() {
    return source_->setSwallowable(swallowable());
}

bool KeyTap::process(const KeyEvent& event) {
    if (event.userData == syntheticMark) return false;
    double time = clock_.uptime();
    KeyInput input;
    switch (event.type) {
    case KeyEvent::leftMouseDown:
    case KeyEvent::rightMouseDown:
        handler(KeyInput::mouseDown(), time);
        return false;
    case KeyEvent::keyDown:
        lastKeyFlags_ = event.flags;
        input = KeyInput::keyDown(event.keyCode, event.autoRepeat);
        input.bare = event.swallowable && (event.flags & KeyEvent::modifierFlags) == 0;
        input.pressedAt = event.uptime;
        break;
    case KeyEvent::keyUp:
        input = KeyInput::keyUp(event.keyCode);
        break;
    case KeyEvent::flagsChanged:
        if (event.keyCode == KeyCode::shift || event.keyCode == KeyCode::rightShift) {
            const bool down = (event.flags & KeyEvent::shiftFlag) != 0;
            if (down == shiftDown_) return false;
            shiftDown_ = down;
            time = clock_.uptime();
            handler(KeyInput::shift(down), time);
            return false;
        }
        if (event.keyCode == KeyCode::fn || event.keyCode == KeyCode::globe) {
            const bool down = (event.flags & KeyEvent::fnFlag) != 0;
            if (down == fnDown_) return false;
            fnDown_ = down;
            ++fnEventsSeen_;
            input = down ? KeyInput::fnDown() : KeyInput::fnUp();
            break;
        }
        return false;
    default:
        return false;
    }

    // A kept key is kept whole: its auto-repeats and its key-up stay with it, whatever the handler (which
    // may have moved on: the strip it accepted is gone) answers now.
    const bool keptWhole =
        (input.kind == KeyInput::Kind::keyDown && input.isRepeat) || input.kind == KeyInput::Kind::keyUp;
    const bool swallow = handler(input, time) || (keptWhole && held_.count(input.code) > 0);
    // Keep a swallowed key swallowable while it is held, whatever its owner announces meanwhile.
    if (input.kind == KeyInput::Kind::keyDown && !input.isRepeat && swallow) {
        if (held_.insert(input.code).second) updateSwallowable();
    } else if (input.kind == KeyInput::Kind::keyUp) {
        if (held_.erase(input.code) > 0) {
            updateSwallowable();
            if (held_.empty()) resumeWaiting();
        }
    }
    return swallow;
}

void KeyTap::resumeWaiting() {
    // Each resumed coroutine goes on to a turn of the event loop, so none of them is back here meanwhile.
    const std::vector<std::coroutine_handle<>> waiting = std::exchange(waiting_, {});
    for (const std::coroutine_handle<> h : waiting)
        h.resume();
}

QCoro::Task<> KeyTap::keysSettled(Scheduler& scheduler) {
    // The handler that set this off returns first: the source answers the key (and the tap counts it as
    // held when it was kept) before the event loop runs again.
    auto answered = scheduler.sleep(0);
    co_await answered;
    if (held_.empty()) co_return;
    co_await KeysUp{*this};
    // Resumed inside the handling of the last key-up: that one is answered first as well.
    auto released = scheduler.sleep(0);
    co_await released;
}

} // namespace mivora
