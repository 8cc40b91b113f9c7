#pragma once

#include "Platform/FrontApplication.h"

#include <QString>

namespace mivora {

class Defaults;

// The words every user-facing text uses for keys and places of this desktop, in one table, so no text
// names a key the user cannot press or a program the desktop does not have.
namespace PlatformWords {

// The shortcut that pastes: in most applications, or the one an application pastes with (Ctrl+V for an
// application that has none).
QString pasteShortcut(PasteKeys keys = PasteKeys::controlV);
// How the user pastes by hand there, as the words that come right before "粘贴": "按 Ctrl+V " (the blank
// parts the key from the Chinese after it), or "用菜单「编辑 › 粘贴」" where no key pastes.
QString pasteWith(PasteKeys keys = PasteKeys::controlV);
// The desktop's settings program, as its menus name it.
QString settingsApp();
// What the user turns on in those settings so the program may read the keyboard and the focused text
// field. The desktop has no switch per program: the program counts as allowed when the session's
// accessibility bus (AT-SPI) answers, which the session's one assistive-technology setting starts.
QString accessibilitySwitch();
// How the texts call the user's computer.
QString thisComputer();
// Where something stays on the user's computer: "这台电脑上".
QString onThisComputer();
// A text that names the user's Mac ("这台 Mac 上", "iPhone 和 Mac 之间") with this computer's word in its
// place. The blanks beside "Mac" only ever parted a Latin word from the Chinese around it, so they go with
// it: "这台电脑上", "iPhone 和这台电脑之间".
QString forThisComputer(const QString& text);
// The desktop's store of secrets, where the sign-in and the data key are kept, as the texts name it.
QString keyring();
// The account block's recovery-code view: why the code must be saved. Elsewhere the data key reaches the
// user's other devices through the system keychain; here it stays in this computer's Secret Service, so
// every other device joins with the recovery code.
QString recoveryCodeNote();
// The account block's code-entry view: this computer joins a vault another device opened, which only the
// recovery code does here.
QString enterCodeNote();
// The program's icon in the desktop's panel, where its menu opens.
QString statusIcon();
// What the user holds as the hotkey: the name on the keycap of the X11 key named `keyName` ("右 Ctrl" for
// Control_R; "Fn" only for a keyboard's real Fn key); a key without a friendlier name keeps its own.
QString hotkeyName(const QString& keyName);
// The same for the key the "fnKey" setting names.
QString hotkeyName(const Defaults& defaults);
// The text on the cap of a named key as this desktop's keyboards print it ("shift" reads "Shift", "space"
// reads "空格"); a label that names no such key (the hotkey's name, a digit) stays as it is.
QString keyCap(const QString& label);

} // namespace PlatformWords
} // namespace mivora
