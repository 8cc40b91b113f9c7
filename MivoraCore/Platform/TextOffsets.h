#pragma once

#include <QStringView>

namespace mivora {

// Accessibility interfaces that count text offsets in code points, against the program's UTF-16 positions.
// A high surrogate and the unit after it are one code point, whatever that unit is (a lone high surrogate at
// the end is none): the two directions agree on every text.
namespace TextOffsets {

// The number of code points of a text.
int codePoints(QStringView text);
// The UTF-16 position of a code point offset, at most the length of the text.
qsizetype position(QStringView text, int offset);

} // namespace TextOffsets
} // namespace mivora
