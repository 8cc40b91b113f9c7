#pragma once

#include "Support/Text.h"

#include <QString>
#include <QStringView>

namespace mivora::TranscriptText {

// Small character filters shared by the OpenAI client and the recogniser. Classes are decided per code
// point: white space includes line breaks; "blanks" are white space without line breaks (spaces of any
// width and tab).

inline bool isBlank(char32_t cp) {
    return cp == U'\t' || QChar::category(cp) == QChar::Separator_Space;
}

// Visits every code point of `text` as a view (one or two UTF-16 units).
template <typename F> void forEachCodePoint(QStringView text, F&& f) {
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n =
            (QChar::isHighSurrogate(text[i].unicode()) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ? 2
                : 1;
        f(text.mid(i, n));
        i += n;
    }
}

// `text` without the code points for which `drop` is true.
template <typename Pred> QString without(QStringView text, Pred&& drop) {
    QString out;
    out.reserve(text.size());
    forEachCodePoint(text, [&](QStringView c) {
        if (!drop(c)) out.append(c);
    });
    return out;
}

inline char32_t codePoint(QStringView c) {
    return c.size() == 2 ? QChar::surrogateToUcs4(c[0], c[1]) : c[0].unicode();
}

// Trims white space and line breaks from both ends.
inline QString trimmed(QStringView text) {
    qsizetype b = 0, e = text.size();
    while (b < e && Text::isWhitespace(text.mid(b, 1)))
        ++b;
    while (e > b && Text::isWhitespace(text.mid(e - 1, 1)))
        --e;
    return text.mid(b, e - b).toString();
}

// Trims blanks (not line breaks) from both ends.
inline QString trimmedBlanks(QStringView text) {
    qsizetype b = 0, e = text.size();
    while (b < e && isBlank(text[b].unicode()))
        ++b;
    while (e > b && isBlank(text[e - 1].unicode()))
        --e;
    return text.mid(b, e - b).toString();
}

} // namespace mivora::TranscriptText
