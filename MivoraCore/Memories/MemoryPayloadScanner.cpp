#include "Memories/MemoryPayloadScanner.h"

#include "Support/IsoDate.h"
#include "Support/Text.h"

#include <cstring>

namespace mivora {

namespace {

// Walks the bytes; every reading function answers false for anything outside the plain form.
class Scan {
public:
    explicit Scan(QByteArrayView json) : p_(json.data()), end_(json.data() + json.size()) {}

    bool atEnd() {
        space();
        return p_ == end_;
    }

    bool take(char c) {
        space();
        if (p_ == end_ || *p_ != c) return false;
        ++p_;
        return true;
    }

    // A string's bytes between the quotes, with simple escapes only (`escaped` tells whether there are any).
    bool raw(QByteArrayView& out, bool& escaped) {
        if (!take('"')) return false;
        const char* start = p_;
        escaped = false;
        while (p_ < end_) {
            const auto c = quint8(*p_);
            if (c == '"') {
                out = QByteArrayView(start, p_ - start);
                ++p_;
                return true;
            }
            if (c < 0x20) return false;
            if (c == '\\') {
                if (p_ + 1 == end_ || p_[1] == '\0' || !std::strchr("\"\\/bfnrt", p_[1])) return false;
                escaped = true;
                p_ += 2;
            } else if (c < 0x80) {
                ++p_;
            } else if (!utf8()) {
                return false;
            }
        }
        return false;
    }

    // A member name without escapes, and its colon.
    bool key(QByteArrayView& out) {
        bool escaped;
        return raw(out, escaped) && !escaped && take(':');
    }

    bool string(QString& out) {
        QByteArrayView bytes;
        bool escaped;
        if (!raw(bytes, escaped)) return false;
        out = escaped ? Text::fromUtf8(unescaped(bytes)) : Text::fromUtf8(bytes);
        return true;
    }

    bool date(QDateTime& out) {
        QByteArrayView bytes;
        bool escaped;
        if (!raw(bytes, escaped) || escaped || bytes.size() > 32) return false;
        char16_t wide[32];
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            if (quint8(bytes[i]) >= 0x80) return false;
            wide[i] = char16_t(bytes[i]);
        }
        const auto d = IsoDate::parse(QStringView(wide, bytes.size()));
        if (!d) return false;
        out = *d;
        return true;
    }

    // "-?(0|[1-9][0-9]{0,17})": always a 64-bit integer, never a fraction or an exponent.
    bool integer(qint64& out) {
        space();
        const bool negative = p_ < end_ && *p_ == '-';
        const char* digits = p_ + (negative ? 1 : 0);
        const char* q = digits;
        qint64 v = 0;
        while (q < end_ && *q >= '0' && *q <= '9' && q - digits < 18)
            v = v * 10 + (*q++ - '0');
        const qsizetype n = q - digits;
        if (n == 0 || (*digits == '0' && (n > 1 || negative))) return false;
        if (q < end_ && (*q == '.' || *q == 'e' || *q == 'E' || (*q >= '0' && *q <= '9'))) return false;
        p_ = q;
        out = negative ? -v : v;
        return true;
    }

    bool word(QByteArrayView w) {
        space();
        if (end_ - p_ < w.size() || std::memcmp(p_, w.data(), size_t(w.size())) != 0) return false;
        p_ += w.size();
        return true;
    }

    bool boolean(bool& out) {
        if (word("true")) {
            out = true;
            return true;
        }
        out = false;
        return word("false");
    }

    // Calls `item` for each element of an array (or member of an object) up to the closing bracket.
    template <typename Item> bool list(char open, char close, Item item) {
        if (!take(open)) return false;
        if (take(close)) return true;
        do {
            if (!item()) return false;
        } while (take(','));
        return take(close);
    }

private:
    void space() {
        while (p_ < end_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t'))
            ++p_;
    }

    // One well-formed UTF-8 sequence of two to four bytes; noncharacters are left to the full parser.
    bool utf8() {
        const auto* u = reinterpret_cast<const quint8*>(p_);
        const qsizetype left = end_ - p_;
        auto cont = [&](qsizetype i, quint8 lo = 0x80, quint8 hi = 0xBF) {
            return i < left && u[i] >= lo && u[i] <= hi;
        };
        char32_t c;
        qsizetype n;
        if (u[0] >= 0xC2 && u[0] <= 0xDF && cont(1)) {
            c = char32_t(u[0] & 0x1F) << 6 | (u[1] & 0x3F);
            n = 2;
        } else if (u[0] >= 0xE0 && u[0] <= 0xEF &&
                   cont(1, u[0] == 0xE0 ? 0xA0 : 0x80, u[0] == 0xED ? 0x9F : 0xBF) && cont(2)) {
            c = char32_t(u[0] & 0x0F) << 12 | char32_t(u[1] & 0x3F) << 6 | (u[2] & 0x3F);
            n = 3;
        } else if (u[0] >= 0xF0 && u[0] <= 0xF4 &&
                   cont(1, u[0] == 0xF0 ? 0x90 : 0x80, u[0] == 0xF4 ? 0x8F : 0xBF) && cont(2) && cont(3)) {
            c = char32_t(u[0] & 0x07) << 18 | char32_t(u[1] & 0x3F) << 12 | char32_t(u[2] & 0x3F) << 6 |
                (u[3] & 0x3F);
            n = 4;
        } else {
            return false;
        }
        if ((c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE) return false;
        p_ += n;
        return true;
    }

    static QByteArray unescaped(QByteArrayView bytes) {
        QByteArray out(bytes.size(), Qt::Uninitialized);
        char* to = out.data();
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            char c = bytes[i];
            if (c == '\\') {
                switch (c = bytes[++i]) {
                case 'b':
                    c = '\b';
                    break;
                case 'f':
                    c = '\f';
                    break;
                case 'n':
                    c = '\n';
                    break;
                case 'r':
                    c = '\r';
                    break;
                case 't':
                    c = '\t';
                    break;
                default: // '"', '\\' and '/' stand for themselves
                    break;
                }
            }
            *to++ = c;
        }
        out.truncate(to - out.constData());
        return out;
    }

    const char* p_;
    const char* end_;
};

// The members of a memory, as bits of the set of members seen.
enum Member : quint32 {
    id = 1 << 0,
    title = 1 << 1,
    type = 1 << 2,
    aliases = 1 << 3,
    value = 1 << 4,
    source = 1 << 5,
    savedAt = 1 << 6,
    updatedAt = 1 << 7,
    lastUsedAt = 1 << 8,
    useCount = 1 << 9,
    pinned = 1 << 10,
    pinOrder = 1 << 11,
    sensitive = 1 << 12,
    expiresAt = 1 << 13,
};
constexpr quint32 requiredMembers =
    id | title | type | aliases | value | source | savedAt | useCount | pinned | sensitive;

quint32 member(QByteArrayView key) {
    static const std::pair<QByteArrayView, Member> names[] = {
        {"id", id},
        {"title", title},
        {"type", type},
        {"aliases", aliases},
        {"value", value},
        {"source", source},
        {"savedAt", savedAt},
        {"updatedAt", updatedAt},
        {"lastUsedAt", lastUsedAt},
        {"useCount", useCount},
        {"pinned", pinned},
        {"pinOrder", pinOrder},
        {"sensitive", sensitive},
        {"expiresAt", expiresAt},
    };
    for (const auto& [name, bit] : names)
        if (name == key) return bit;
    return 0;
}

// An optional member: null reads as absent.
template <typename T, typename Read> bool optional(Scan& s, std::optional<T>& out, Read read) {
    if (s.word("null")) return true;
    T v;
    if (!(s.*read)(v)) return false;
    out = std::move(v);
    return true;
}

bool memory(Scan& s, Memory& m) {
    quint32 seen = 0;
    const bool ok = s.list('{', '}', [&] {
        QByteArrayView key;
        if (!s.key(key)) return false;
        const quint32 bit = member(key);
        if (bit == 0 || (seen & bit)) return false;
        seen |= bit;
        switch (bit) {
        case id:
            return s.string(m.id);
        case title:
            return s.string(m.title);
        case type:
            return s.string(m.type);
        case aliases:
            return s.list('[', ']', [&] {
                QString alias;
                if (!s.string(alias)) return false;
                m.aliases.append(std::move(alias));
                return true;
            });
        case value:
            return s.string(m.value);
        case source:
            return s.string(m.source);
        case savedAt:
            return s.date(m.savedAt);
        case updatedAt:
            return optional(s, m.updatedAt, &Scan::date);
        case lastUsedAt:
            return optional(s, m.lastUsedAt, &Scan::date);
        case useCount:
            return s.integer(m.useCount);
        case pinned:
            return s.boolean(m.pinned);
        case pinOrder:
            return optional(s, m.pinOrder, &Scan::integer);
        case sensitive:
            return s.boolean(m.sensitive);
        case expiresAt:
            return optional(s, m.expiresAt, &Scan::date);
        }
        return false;
    });
    return ok && (seen & requiredMembers) == requiredMembers;
}

} // namespace

std::optional<MemoryPayload> MemoryPayloadScanner::read(QByteArrayView json) {
    Scan s(json);
    MemoryPayload p;
    bool version = false, items = false, deleted = false;
    const bool ok = s.list('{', '}', [&] {
        QByteArrayView key;
        if (!s.key(key)) return false;
        if (key == "v" && !std::exchange(version, true)) return s.integer(p.v);
        if (key == "items" && !std::exchange(items, true))
            return s.list('[', ']', [&] {
                Memory m{.id = QString(), .savedAt = QDateTime()};
                if (!memory(s, m)) return false;
                p.items.append(std::move(m));
                return true;
            });
        if (key == "deleted" && !std::exchange(deleted, true))
            return s.list('{', '}', [&] {
                QString name;
                QDateTime when;
                if (!s.string(name) || !s.take(':') || !s.date(when) || p.deleted.contains(name))
                    return false;
                p.deleted.insert(name, when);
                return true;
            });
        return false;
    });
    if (!ok || !version || !items || !deleted || !s.atEnd()) return std::nullopt;
    return p;
}

} // namespace mivora
