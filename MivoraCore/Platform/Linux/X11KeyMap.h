#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

typedef struct _XDisplay Display;

namespace mivora {

// Translates X11 key codes into the program's virtual key codes. Ordinary keys are placed by their
// position on the keyboard (the XKB key name, e.g. "AC01" is the key of A on a US layout), so the codes
// mean the same physical keys whatever the layout; modifier keys are recognised by what they produce
// (Shift_L, Control_R...). One key, named by the "fnKey" setting, acts as Fn.
class X11KeyMap {
public:
    enum class Role : std::uint8_t { key, shift, control, option, command, capsLock, fn };
    struct Key {
        int code = 0;
        Role role = Role::key;
    };
    // What the server says about one key code: its XKB name and its keysyms in the first group.
    struct Entry {
        int keycode = 0;
        std::string name;
        std::vector<unsigned long> keysyms;
    };

    static constexpr int keycodeCount = 256;
    // Keys without a virtual key code of their own get `unknownBase` + their X11 key code, so they are
    // still reported (and still end a hold as a key combination) without clashing with a real code.
    static constexpr int unknownBase = 256;

    X11KeyMap(); // no names known: every key is `unknownBase` + key code

    // `fnKeysym` is the keysym of the key acting as Fn (0 = none).
    static X11KeyMap build(const std::vector<Entry>& entries, unsigned long fnKeysym);
    // Reads names and keysyms from the server (round trips: call at start and on mapping changes).
    static X11KeyMap fromDisplay(Display* display, const QString& fnKeyName);
    // The virtual key code of the key at the position an XKB key name denotes; -1 when unknown.
    static int codeForName(std::string_view name);

    const Key& operator[](int keycode) const {
        static const Key none{};
        return keycode >= 0 && keycode < keycodeCount ? keys_[std::size_t(keycode)] : none;
    }
    // The X11 key codes that carry the virtual key code `code`.
    std::vector<int> keycodesFor(int code) const;

private:
    std::array<Key, keycodeCount> keys_;
};

} // namespace mivora
