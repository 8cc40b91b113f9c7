#include "Platform/Linux/X11KeyMap.h"

#include "Platform/KeyCodes.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace mivora {

namespace {

constexpr unsigned long fnKeysymOfKeyboard = 0x100811D0; // XF86Fn, where a keyboard reports its Fn key

// Key positions of the US (ANSI) keyboard and the virtual key codes of the same positions.
constexpr std::pair<std::string_view, int> positions[] = {
    {"ESC", KeyCode::escape},
    {"FK01", KeyCode::f1},
    {"FK02", KeyCode::f2},
    {"FK03", KeyCode::f3},
    {"FK04", KeyCode::f4},
    {"FK05", KeyCode::f5},
    {"FK06", KeyCode::f6},
    {"FK07", KeyCode::f7},
    {"FK08", KeyCode::f8},
    {"FK09", KeyCode::f9},
    {"FK10", KeyCode::f10},
    {"FK11", KeyCode::f11},
    {"FK12", KeyCode::f12},
    {"FK13", KeyCode::f13},
    {"FK14", KeyCode::f14},
    {"FK15", KeyCode::f15},
    {"FK16", KeyCode::f16},
    {"FK17", KeyCode::f17},
    {"FK18", KeyCode::f18},
    {"FK19", KeyCode::f19},
    {"FK20", KeyCode::f20},
    {"TLDE", KeyCode::grave},
    {"AE01", KeyCode::digit1},
    {"AE02", KeyCode::digit2},
    {"AE03", KeyCode::digit3},
    {"AE04", KeyCode::digit4},
    {"AE05", KeyCode::digit5},
    {"AE06", KeyCode::digit6},
    {"AE07", KeyCode::digit7},
    {"AE08", KeyCode::digit8},
    {"AE09", KeyCode::digit9},
    {"AE10", KeyCode::digit0},
    {"AE11", KeyCode::minus},
    {"AE12", KeyCode::equal},
    {"BKSP", KeyCode::deleteKey},
    {"TAB", KeyCode::tab},
    {"AD01", KeyCode::q},
    {"AD02", KeyCode::w},
    {"AD03", KeyCode::e},
    {"AD04", KeyCode::r},
    {"AD05", KeyCode::t},
    {"AD06", KeyCode::y},
    {"AD07", KeyCode::u},
    {"AD08", KeyCode::i},
    {"AD09", KeyCode::o},
    {"AD10", KeyCode::p},
    {"AD11", KeyCode::leftBracket},
    {"AD12", KeyCode::rightBracket},
    {"BKSL", KeyCode::backslash},
    {"AC01", KeyCode::a},
    {"AC02", KeyCode::s},
    {"AC03", KeyCode::d},
    {"AC04", KeyCode::f},
    {"AC05", KeyCode::g},
    {"AC06", KeyCode::h},
    {"AC07", KeyCode::j},
    {"AC08", KeyCode::k},
    {"AC09", KeyCode::l},
    {"AC10", KeyCode::semicolon},
    {"AC11", KeyCode::quote},
    {"RTRN", KeyCode::returnKey},
    {"AB01", KeyCode::z},
    {"AB02", KeyCode::x},
    {"AB03", KeyCode::c},
    {"AB04", KeyCode::v},
    {"AB05", KeyCode::b},
    {"AB06", KeyCode::n},
    {"AB07", KeyCode::m},
    {"AB08", KeyCode::comma},
    {"AB09", KeyCode::period},
    {"AB10", KeyCode::slash},
    {"LSGT", KeyCode::isoSection},
    {"SPCE", KeyCode::space},
    {"MENU", KeyCode::contextualMenu},
    {"COMP", KeyCode::contextualMenu},
    {"INS", KeyCode::help},
    {"HOME", KeyCode::home},
    {"PGUP", KeyCode::pageUp},
    {"DELE", KeyCode::forwardDelete},
    {"END", KeyCode::end},
    {"PGDN", KeyCode::pageDown},
    {"LEFT", KeyCode::leftArrow},
    {"RGHT", KeyCode::rightArrow},
    {"DOWN", KeyCode::downArrow},
    {"UP", KeyCode::upArrow},
    {"NMLK", KeyCode::keypadClear},
    {"KPDV", KeyCode::keypadDivide},
    {"KPMU", KeyCode::keypadMultiply},
    {"KPSU", KeyCode::keypadMinus},
    {"KPAD", KeyCode::keypadPlus},
    {"KPEN", KeyCode::keypadEnter},
    {"KPDL", KeyCode::keypadDecimal},
    {"KPEQ", KeyCode::keypadEquals},
    {"KP0", KeyCode::keypad0},
    {"KP1", KeyCode::keypad1},
    {"KP2", KeyCode::keypad2},
    {"KP3", KeyCode::keypad3},
    {"KP4", KeyCode::keypad4},
    {"KP5", KeyCode::keypad5},
    {"KP6", KeyCode::keypad6},
    {"KP7", KeyCode::keypad7},
    {"KP8", KeyCode::keypad8},
    {"KP9", KeyCode::keypad9},
    {"VOL-", KeyCode::volumeDown},
    {"VOL+", KeyCode::volumeUp},
    {"MUTE", KeyCode::mute},
};

// Modifier keys are known by what they produce, so swapped or remapped modifiers keep their meaning.
bool modifierFor(unsigned long keysym, X11KeyMap::Key& key) {
    using Role = X11KeyMap::Role;
    switch (keysym) {
    case XK_Shift_L:
        key = {KeyCode::shift, Role::shift};
        return true;
    case XK_Shift_R:
        key = {KeyCode::rightShift, Role::shift};
        return true;
    case XK_Control_L:
        key = {KeyCode::control, Role::control};
        return true;
    case XK_Control_R:
        key = {KeyCode::rightControl, Role::control};
        return true;
    case XK_Alt_L:
    case XK_Meta_L:
        key = {KeyCode::option, Role::option};
        return true;
    case XK_Alt_R:
    case XK_Meta_R:
    case XK_ISO_Level3_Shift:
        key = {KeyCode::rightOption, Role::option};
        return true;
    case XK_Super_L:
    case XK_Hyper_L:
        key = {KeyCode::command, Role::command};
        return true;
    case XK_Super_R:
    case XK_Hyper_R:
        key = {KeyCode::rightCommand, Role::command};
        return true;
    case XK_Caps_Lock:
        key = {KeyCode::capsLock, Role::capsLock};
        return true;
    default:
        return false;
    }
}

// Tab and Esc end or take the strip and the choices: they go by what a key types, so a map that puts them on
// other keys (caps:escape, xmodmap) moves them too. Other keys keep their places, whatever a layout types
// there (the digits of a French keyboard need Shift).
int editingCode(const std::vector<unsigned long>& keysyms) {
    if (keysyms.empty()) return -1;
    switch (keysyms.front()) {
    case XK_Tab:
    case XK_ISO_Left_Tab:
        return KeyCode::tab;
    case XK_Escape:
        return KeyCode::escape;
    default:
        return -1;
    }
}

// The key at the place of Tab or Esc that the map has made type something else is neither any more.
bool lostEditing(int code, const std::vector<unsigned long>& keysyms) {
    return (code == KeyCode::tab || code == KeyCode::escape) && !keysyms.empty();
}

} // namespace

X11KeyMap::X11KeyMap() {
    for (int kc = 0; kc < keycodeCount; ++kc)
        keys_[std::size_t(kc)] = {unknownBase + kc, Role::key};
}

int X11KeyMap::codeForName(std::string_view name) {
    for (const auto& [n, code] : positions)
        if (n == name) return code;
    return -1;
}

X11KeyMap X11KeyMap::build(const std::vector<Entry>& entries, unsigned long fnKeysym) {
    X11KeyMap map;
    for (const Entry& e : entries) {
        if (e.keycode < 0 || e.keycode >= keycodeCount) continue;
        Key& key = map.keys_[std::size_t(e.keycode)];
        const bool isFn = std::any_of(e.keysyms.begin(), e.keysyms.end(), [&](unsigned long s) {
            return (fnKeysym != 0 && s == fnKeysym) || s == fnKeysymOfKeyboard;
        });
        if (isFn) {
            key = {KeyCode::fn, Role::fn};
        } else if (!e.keysyms.empty() && modifierFor(e.keysyms.front(), key)) {
            // set by modifierFor
        } else if (const int code = editingCode(e.keysyms); code >= 0) {
            key = {code, Role::key};
        } else if (const int code = codeForName(e.name); code >= 0 && !lostEditing(code, e.keysyms)) {
            key = {code, Role::key};
        }
    }
    return map;
}

X11KeyMap X11KeyMap::fromDisplay(Display* display, const QString& fnKeyName) {
    const unsigned long fnKeysym = XStringToKeysym(fnKeyName.toLatin1().constData());
    XkbDescPtr xkb = XkbGetMap(display, XkbKeySymsMask, XkbUseCoreKbd);
    if (!xkb) return build({}, fnKeysym);
    XkbGetNames(display, XkbKeyNamesMask, xkb);
    std::vector<Entry> entries;
    for (int kc = xkb->min_key_code; kc <= xkb->max_key_code && kc < keycodeCount; ++kc) {
        Entry e;
        e.keycode = kc;
        if (xkb->names && xkb->names->keys) {
            const char* n = xkb->names->keys[kc].name;
            e.name.assign(n, strnlen(n, XkbKeyNameLength));
        }
        const int levels = XkbKeyNumGroups(xkb, kc) > 0 ? XkbKeyGroupsWidth(xkb, kc) : 0;
        for (int level = 0; level < levels; ++level)
            e.keysyms.push_back(XkbKeySymEntry(xkb, kc, level, XkbGroup1Index));
        entries.push_back(std::move(e));
    }
    XkbFreeKeyboard(xkb, 0, True);
    return build(entries, fnKeysym);
}

std::vector<int> X11KeyMap::keycodesFor(int code) const {
    std::vector<int> out;
    for (int kc = 0; kc < keycodeCount; ++kc)
        if (keys_[std::size_t(kc)].code == code) out.push_back(kc);
    return out;
}

} // namespace mivora
