#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace mivora {

// Text helpers on ICU. "Characters" are user-perceived characters (extended grapheme clusters), as the
// user sees them, never bytes or UTF-16 units.
namespace Text {

qsizetype graphemeCount(QStringView text);
QStringList graphemes(QStringView text);
// The first `count` characters (all of them when there are fewer).
QString prefix(QStringView text, qsizetype count);
// The start of the character that holds the UTF-16 offset `at` (`at` itself where a character starts):
// the text cut there keeps whole characters only.
qsizetype characterStart(QStringView text, qsizetype at);
// The last `count` characters.
QString suffix(QStringView text, qsizetype count);

// Character classes of one character, decided by its first code point (the way a user-perceived
// character is classified): white space and line breaks, punctuation (Unicode P*), symbols (S*),
// letters (L*), numbers (N*).
bool isWhitespace(QStringView character);
bool isPunctuation(QStringView character);
bool isSymbol(QStringView character);
bool isLetter(QStringView character);
bool isNumber(QStringView character);
// The value of a decimal digit of any script (0 to 9), or -1 for any other code point.
int decimalDigit(char32_t codePoint);

// UTF-8 bytes as text, every character kept: a leading U+FEFF is part of the text, not a byte-order mark
// to drop (QString::fromUtf8 drops it). Malformed sequences become U+FFFD.
QString fromUtf8(QByteArrayView bytes);

// The text in full lower case (root locale, so a word-final Σ becomes ς and İ becomes i + U+0307), lowered
// code point by code point with every lone surrogate kept. (Qt's lowering turns a lone surrogate into U+FFFD
// once a character before it changes case, so text lowered with it would miss the same text lowered here.)
QString toLower(const QString& text);

// The text without white space and line breaks at either end (the Unicode white space property).
QString trimWhitespace(QStringView text);
// The text without the spaces and tabs at either end; line breaks stay.
QString trimSpacesAndTabs(QStringView text);

// Traditional Chinese to Simplified ("Traditional-Simplified"); the text unchanged when ICU fails.
QString toSimplified(const QString& text);
// Builds the converter of `toSimplified` on a worker thread, once, so that its first use (it takes tens of
// milliseconds to build) does not wait for it.
void prepareSimplified();
// Chinese characters to Latin without diacritics ("Han-Latin" then "Latin-ASCII"): 你好 -> "ni hao".
QString toLatin(const QString& text);

} // namespace Text
} // namespace mivora
