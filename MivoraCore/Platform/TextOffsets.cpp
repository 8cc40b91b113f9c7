#include "Platform/TextOffsets.h"

#include <algorithm>

namespace mivora::TextOffsets {

int codePoints(QStringView text) {
    int n = 0;
    for (qsizetype i = 0; i < text.size(); ++n) {
        if (!text[i].isHighSurrogate()) {
            ++i;
            continue;
        }
        if (i + 1 == text.size()) break; // half of the character at the next position
        i += 2;
    }
    return n;
}

qsizetype position(QStringView text, int offset) {
    qsizetype i = 0;
    for (int n = 0; n < offset && i < text.size(); ++n)
        i += text[i].isHighSurrogate() ? 2 : 1;
    return std::min(i, text.size());
}

} // namespace mivora::TextOffsets
