#include "Keys/HotkeyMachine.h"

#include <algorithm>

namespace mivora {

const char* name(CancelReason reason) {
    switch (reason) {
    case CancelReason::tooShort:
        return "tooShort";
    case CancelReason::combo:
        return "combo";
    case CancelReason::user:
        return "user";
    }
    return "";
}

bool HotkeyMachine::KeySet::contains(int code) const {
    if (code >= 0 && code < direct) return bits_.test(std::size_t(code));
    return std::find(others_.begin(), others_.end(), code) != others_.end();
}

void HotkeyMachine::KeySet::insert(int code) {
    if (code >= 0 && code < direct) {
        bits_.set(std::size_t(code));
    } else if (!contains(code)) {
        others_.push_back(code);
    }
}

bool HotkeyMachine::KeySet::remove(int code) {
    if (code >= 0 && code < direct) {
        const bool was = bits_.test(std::size_t(code));
        bits_.reset(std::size_t(code));
        return was;
    }
    const auto it = std::find(others_.begin(), others_.end(), code);
    if (it == others_.end()) return false;
    others_.erase(it);
    return true;
}

HotkeyMachine::Result HotkeyMachine::swallowKey(int code, std::optional<HotkeyAction> action) {
    swallowing_.insert(code);
    return {action, true};
}

HotkeyMachine::Result HotkeyMachine::handle(const KeyInput& input, double time) {
    using K = KeyInput::Kind;
    using S = State::Kind;

    // Inputs whose treatment does not depend on the state; none of them changes it.
    switch (input.kind) {
    case K::keyDown:
        // Auto-repeats are swallowed exactly when the first key-down was.
        if (input.isRepeat) return {std::nullopt, swallowing_.contains(input.code)};
        break;
    case K::keyUp:
        return {std::nullopt, swallowing_.remove(input.code)};
    case K::shift:
        // Shift is never swallowed; pressing it during a hold turns the take into a recall.
        shiftDown_ = input.down;
        if (input.down && state_.kind == S::holding) return {HotkeyAction::switchToRecall(), false};
        return {};
    default:
        break;
    }

    switch (state_.kind) {
    case S::idle:
        if (input.kind == K::fnDown) {
            state_ = State::holding(time);
            return {shiftDown_ ? HotkeyAction::startRecall() : HotkeyAction::start(), false};
        }
        return {};

    case S::holding:
        if (input.kind == K::keyDown) {
            if (input.code == KeyCode::escape) {
                state_ = State::waitingFnUp();
                return swallowKey(KeyCode::escape, HotkeyAction::cancel(CancelReason::user));
            }
            if (input.code == KeyCode::space) {
                state_ = State::handsFree(true);
                return swallowKey(KeyCode::space, HotkeyAction::enterHandsFree());
            }
            // A key combination with Fn: the key belongs to the focused application.
            state_ = State::waitingFnUp();
            return {HotkeyAction::cancel(CancelReason::combo), false};
        }
        if (input.kind == K::fnUp) {
            const double since = state_.since;
            state_ = State::idle();
            if (minHold_ > time - since) return {HotkeyAction::cancel(CancelReason::tooShort), false};
            return {HotkeyAction::stop(), false};
        }
        return {};

    case S::handsFree:
        if (input.kind == K::keyDown) {
            if (input.code != KeyCode::escape) return {};
            state_ = state_.fnStillDown ? State::waitingFnUp() : State::idle();
            return swallowKey(KeyCode::escape, HotkeyAction::cancel(CancelReason::user));
        }
        if (input.kind == K::fnUp && state_.fnStillDown) {
            state_ = State::handsFree(false);
            return {};
        }
        if (input.kind == K::fnDown && !state_.fnStillDown) {
            state_ = State::waitingFnUp();
            return {HotkeyAction::stop(), false};
        }
        return {};

    case S::waitingFnUp:
        if (input.kind == K::keyDown && input.code == KeyCode::space)
            return swallowKey(KeyCode::space, std::nullopt);
        if (input.kind == K::fnUp) state_ = State::idle();
        return {};
    }
    return {};
}

void HotkeyMachine::reset(bool fnDown) {
    state_ = fnDown ? State::waitingFnUp() : State::idle();
}

} // namespace mivora
