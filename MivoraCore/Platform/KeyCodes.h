#pragma once

namespace mivora {

// The program's virtual key codes (the positions of a US ANSI keyboard), whatever the platform reports;
// the platform backends translate their own codes into these.
namespace KeyCode {

// Letters, by the key they carry on a US layout.
inline constexpr int a = 0, s = 1, d = 2, f = 3, h = 4, g = 5, z = 6, x = 7, c = 8, v = 9, b = 11, q = 12,
                     w = 13, e = 14, r = 15, y = 16, t = 17, o = 31, u = 32, i = 34, p = 35, l = 37, j = 38,
                     k = 40, n = 45, m = 46;
// The main row's digits.
inline constexpr int digit1 = 18, digit2 = 19, digit3 = 20, digit4 = 21, digit6 = 22, digit5 = 23,
                     digit9 = 25, digit7 = 26, digit8 = 28, digit0 = 29;
// Punctuation.
inline constexpr int equal = 24, minus = 27, rightBracket = 30, leftBracket = 33, quote = 39, semicolon = 41,
                     backslash = 42, comma = 43, slash = 44, period = 47, grave = 50, isoSection = 10;
// Editing and navigation.
inline constexpr int returnKey = 36, tab = 48, space = 49, deleteKey = 51, escape = 53, help = 114,
                     home = 115, pageUp = 116, forwardDelete = 117, end = 119, pageDown = 121,
                     leftArrow = 123, rightArrow = 124, downArrow = 125, upArrow = 126, contextualMenu = 110;
// Modifiers; Fn and the globe key both act as Fn.
inline constexpr int rightCommand = 54, command = 55, shift = 56, capsLock = 57, option = 58, control = 59,
                     rightShift = 60, rightOption = 61, rightControl = 62, fn = 63, globe = 179;
// Function keys.
inline constexpr int f1 = 122, f2 = 120, f3 = 99, f4 = 118, f5 = 96, f6 = 97, f7 = 98, f8 = 100, f9 = 101,
                     f10 = 109, f11 = 103, f12 = 111, f13 = 105, f14 = 107, f15 = 113, f16 = 106, f17 = 64,
                     f18 = 79, f19 = 80, f20 = 90;
// The keypad.
inline constexpr int keypad0 = 82, keypad1 = 83, keypad2 = 84, keypad3 = 85, keypad4 = 86, keypad5 = 87,
                     keypad6 = 88, keypad7 = 89, keypad8 = 91, keypad9 = 92, keypadDecimal = 65,
                     keypadMultiply = 67, keypadPlus = 69, keypadClear = 71, keypadDivide = 75,
                     keypadEnter = 76, keypadMinus = 78, keypadEquals = 81;
// Media keys.
inline constexpr int volumeUp = 72, volumeDown = 73, mute = 74;

} // namespace KeyCode
} // namespace mivora
