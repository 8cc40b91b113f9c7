#pragma once

#include <QStringView>

namespace mivora {

// Accessibility interfaces that count text offsets in code points, against the program's UTF-16 positions.
// Both directions walk the text the same way: a high surrogate and the unit after it are one code point,
// whatever that unit is, and a high surrogate at the very end is none. So they agree on every text, also on
// one that is not well formed.
namespace TextOffsets {

// The number of code points of a text.
int codePoints(QStringView text);
// The UTF-16 position of a code point offset, at most the length of the text.
qsizetype position(QStringView text, int offset);

} // namespace TextOffsets
} // namespace mivora
