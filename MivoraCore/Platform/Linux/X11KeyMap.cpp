#include "Platform/Linux/X11KeyMap.h"

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
    {"ESC", 53},   {"FK01", 122}, {"FK02", 120}, {"FK03", 99},  {"FK04", 118}, {"FK05", 96},  {"FK06", 97},
    {"FK07", 98},  {"FK08", 100}, {"FK09", 101}, {"FK10", 109}, {"FK11", 103}, {"FK12", 111}, {"FK13", 105},
    {"FK14", 107}, {"FK15", 113}, {"FK16", 106}, {"FK17", 64},  {"FK18", 79},  {"FK19", 80},  {"FK20", 90},
    {"TLDE", 50},  {"AE01", 18},  {"AE02", 19},  {"AE03", 20},  {"AE04", 21},  {"AE05", 23},  {"AE06", 22},
    {"AE07", 26},  {"AE08", 28},  {"AE09", 25},  {"AE10", 29},  {"AE11", 27},  {"AE12", 24},  {"BKSP", 51},
    {"TAB", 48},   {"AD01", 12},  {"AD02", 13},  {"AD03", 14},  {"AD04", 15},  {"AD05", 17},  {"AD06", 16},
    {"AD07", 32},  {"AD08", 34},  {"AD09", 31},  {"AD10", 35},  {"AD11", 33},  {"AD12", 30},  {"BKSL", 42},
    {"AC01", 0},   {"AC02", 1},   {"AC03", 2},   {"AC04", 3},   {"AC05", 5},   {"AC06", 4},   {"AC07", 38},
    {"AC08", 40},  {"AC09", 37},  {"AC10", 41},  {"AC11", 39},  {"RTRN", 36},  {"AB01", 6},   {"AB02", 7},
    {"AB03", 8},   {"AB04", 9},   {"AB05", 11},  {"AB06", 45},  {"AB07", 46},  {"AB08", 43},  {"AB09", 47},
    {"AB10", 44},  {"LSGT", 10},  {"SPCE", 49},  {"MENU", 110}, {"COMP", 110}, {"INS", 114},  {"HOME", 115},
    {"PGUP", 116}, {"DELE", 117}, {"END", 119},  {"PGDN", 121}, {"LEFT", 123}, {"RGHT", 124}, {"DOWN", 125},
    {"UP", 126},   {"NMLK", 71},  {"KPDV", 75},  {"KPMU", 67},  {"KPSU", 78},  {"KPAD", 69},  {"KPEN", 76},
    {"KPDL", 65},  {"KPEQ", 81},  {"KP0", 82},   {"KP1", 83},   {"KP2", 84},   {"KP3", 85},   {"KP4", 86},
    {"KP5", 87},   {"KP6", 88},   {"KP7", 89},   {"KP8", 91},   {"KP9", 92},   {"VOL-", 73},  {"VOL+", 72},
    {"MUTE", 74},
};

// Modifier keys are known by what they produce, so swapped or remapped modifiers keep their meaning.
bool modifierFor(unsigned long keysym, X11KeyMap::Key& key) {
    using Role = X11KeyMap::Role;
    switch (keysym) {
    case XK_Shift_L:
        key = {56, Role::shift};
        return true;
    case XK_Shift_R:
        key = {60, Role::shift};
        return true;
    case XK_Control_L:
        key = {59, Role::control};
        return true;
    case XK_Control_R:
        key = {62, Role::control};
        return true;
    case XK_Alt_L:
    case XK_Meta_L:
        key = {58, Role::option};
        return true;
    case XK_Alt_R:
    case XK_Meta_R:
    case XK_ISO_Level3_Shift:
        key = {61, Role::option};
        return true;
    case XK_Super_L:
    case XK_Hyper_L:
        key = {55, Role::command};
        return true;
    case XK_Super_R:
    case XK_Hyper_R:
        key = {54, Role::command};
        return true;
    case XK_Caps_Lock:
        key = {57, Role::capsLock};
        return true;
    default:
        return false;
    }
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
            key = {63, Role::fn};
        } else if (!e.keysyms.empty() && modifierFor(e.keysyms.front(), key)) {
            // set by modifierFor
        } else if (const int code = codeForName(e.name); code >= 0) {
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
