#include "Support/Base64.h"

namespace mivora::Base64 {

namespace {
// The value of one alphabet character, or -1.
int value(char16_t c) {
    if (c >= u'A' && c <= u'Z') return c - u'A';
    if (c >= u'a' && c <= u'z') return c - u'a' + 26;
    if (c >= u'0' && c <= u'9') return c - u'0' + 52;
    if (c == u'+') return 62;
    if (c == u'/') return 63;
    return -1;
}
} // namespace

QString encode(QByteArrayView bytes) {
    return QString::fromLatin1(bytes.toByteArray().toBase64());
}

std::optional<QByteArray> decode(QStringView text) {
    if (text.size() % 4 != 0) return std::nullopt;
    qsizetype padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == u'=')
        ++padding;
    const qsizetype digits = text.size() - padding;

    QByteArray out;
    out.reserve(text.size() / 4 * 3);
    quint32 accumulator = 0;
    int bits = 0;
    for (qsizetype i = 0; i < digits; ++i) {
        const int v = value(text[i].unicode());
        if (v < 0) return std::nullopt;
        accumulator = (accumulator << 6) | quint32(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.append(char((accumulator >> bits) & 0xFF));
            accumulator &= (1u << bits) - 1;
        }
    }
    // A last group of two or three digits leaves 4 or 2 bits that no byte takes; a canonical text has them
    // zero.
    if (accumulator != 0) return std::nullopt;
    return out;
}

} // namespace mivora::Base64
