#include "Support/Base64.h"

#include <array>

namespace mivora::Base64 {

namespace {

// The value of each alphabet character; 64 for everything else (also for characters beyond Latin-1).
constexpr std::array<quint8, 256> values = [] {
    std::array<quint8, 256> t{};
    t.fill(64);
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (quint8 i = 0; i < 64; ++i)
        t[quint8(alphabet[i])] = i;
    return t;
}();

quint32 value(char16_t c) {
    return c < 256 ? values[c] : 64;
}

} // namespace

QString encode(QByteArrayView bytes) {
    // Straight into the text: going through a Base64 byte array and widening it copies a large blob twice.
    static const char16_t alphabet[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const qsizetype n = bytes.size();
    QString out((n + 2) / 3 * 4, Qt::Uninitialized);
    char16_t* to = reinterpret_cast<char16_t*>(out.data());
    const auto* from = reinterpret_cast<const quint8*>(bytes.data());
    qsizetype i = 0;
    for (; i + 3 <= n; i += 3) {
        const quint32 group = quint32(from[i]) << 16 | quint32(from[i + 1]) << 8 | from[i + 2];
        *to++ = alphabet[group >> 18];
        *to++ = alphabet[group >> 12 & 63];
        *to++ = alphabet[group >> 6 & 63];
        *to++ = alphabet[group & 63];
    }
    if (i < n) {
        const quint32 group = quint32(from[i]) << 16 | (i + 1 < n ? quint32(from[i + 1]) << 8 : 0);
        *to++ = alphabet[group >> 18];
        *to++ = alphabet[group >> 12 & 63];
        *to++ = i + 1 < n ? alphabet[group >> 6 & 63] : u'=';
        *to++ = u'=';
    }
    return out;
}

std::optional<QByteArray> decode(QStringView text) {
    if (text.size() % 4 != 0) return std::nullopt;
    qsizetype padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == u'=')
        ++padding;
    const qsizetype digits = text.size() - padding;

    QByteArray out(digits * 6 / 8, Qt::Uninitialized);
    char* to = out.data();
    const char16_t* from = text.utf16();
    // Whole groups of four digits make three bytes; any character outside the alphabet sets bit 6 of a
    // value, which the or of all four carries into the check.
    const qsizetype whole = digits / 4 * 4;
    for (qsizetype i = 0; i < whole; i += 4) {
        const quint32 a = value(from[i]), b = value(from[i + 1]), c = value(from[i + 2]),
                      d = value(from[i + 3]);
        if ((a | b | c | d) & 64) return std::nullopt;
        const quint32 group = a << 18 | b << 12 | c << 6 | d;
        *to++ = char(group >> 16);
        *to++ = char(group >> 8);
        *to++ = char(group);
    }
    // A last group of two or three digits leaves 4 or 2 bits that no byte takes; a canonical text has them
    // zero.
    if (digits > whole) {
        quint32 group = 0;
        for (qsizetype i = whole; i < digits; ++i) {
            const quint32 v = value(from[i]);
            if (v & 64) return std::nullopt;
            group = group << 6 | v;
        }
        if (digits - whole == 2) {
            if (group & 0xF) return std::nullopt;
            *to++ = char(group >> 4);
        } else {
            if (group & 0x3) return std::nullopt;
            *to++ = char(group >> 10);
            *to++ = char(group >> 2);
        }
    }
    return out;
}

} // namespace mivora::Base64
