#include "Support/JsonWriter.h"

#include "Support/IsoDate.h"

#include <algorithm>

namespace mivora {

JsonWriter::JsonWriter(bool sortedKeys, bool prettyPrinted) : sorted_(sortedKeys), pretty_(prettyPrinted) {}

void JsonWriter::beginObject() {
    open(true);
}

void JsonWriter::beginArray() {
    open(false);
}

void JsonWriter::endObject() {
    close(true);
}

void JsonWriter::endArray() {
    close(false);
}

void JsonWriter::key(const QString& name) {
    if (!stack_.empty()) stack_.back().pendingKey = name;
}

void JsonWriter::string(const QString& text) {
    beginValue();
    quote(out_, text);
}

void JsonWriter::integer(qint64 number) {
    beginValue();
    out_ += QByteArray::number(number);
}

void JsonWriter::boolean(bool flag) {
    beginValue();
    out_ += flag ? QByteArrayView("true") : QByteArrayView("false");
}

void JsonWriter::date(const QDateTime& date) {
    string(IsoDate::format(date));
}

void JsonWriter::dates(const QMap<QString, QDateTime>& dates) {
    beginObject();
    for (auto it = dates.cbegin(); it != dates.cend(); ++it) {
        key(it.key());
        date(it.value());
    }
    endObject();
}

void JsonWriter::null() {
    beginValue();
    out_ += QByteArrayView("null");
}

void JsonWriter::indent(qsizetype depth) {
    out_ += '\n';
    out_.append(2 * depth, ' ');
}

// Everything before a value: the separator, the indentation and, inside an object, the key. A value at the
// top level completes the document once it is written (scalars) or closed (objects and arrays).
void JsonWriter::beginValue() {
    if (stack_.empty()) {
        out_.clear();
        done_ = true;
        return;
    }
    Frame& f = stack_.back();
    const bool sorting = f.object && sorted_;
    if (sorting && !f.members.empty()) f.members.back().end = out_.size();
    if (f.count > 0) out_ += ',';
    if (pretty_) indent(qsizetype(stack_.size()));
    if (f.object) {
        const QString name = std::exchange(f.pendingKey, QString());
        if (sorting) {
            if (!f.members.empty() && name < f.members.back().key) f.ascending = false;
            f.members.push_back(Member{name, out_.size(), -1});
        }
        quote(out_, name);
        out_ += pretty_ ? QByteArrayView(" : ") : QByteArrayView(":");
    }
    ++f.count;
}

void JsonWriter::open(bool object) {
    beginValue();
    done_ = false;
    out_ += object ? '{' : '[';
    stack_.push_back(Frame{.object = object, .start = out_.size()});
    if (object && sorted_) stack_.back().members.reserve(16);
}

void JsonWriter::close(bool object) {
    if (stack_.empty() || stack_.back().object != object) return;
    Frame f = std::move(stack_.back());
    stack_.pop_back();
    const qsizetype depth = qsizetype(stack_.size());
    if (!f.ascending) {
        // Rewrite the members in key order; equal keys keep the order they came in.
        f.members.back().end = out_.size();
        std::vector<QByteArray> texts;
        texts.reserve(f.members.size());
        for (const Member& m : f.members)
            texts.push_back(out_.mid(m.start, m.end - m.start));
        std::vector<qsizetype> order(f.members.size());
        for (qsizetype i = 0; i < qsizetype(order.size()); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](qsizetype a, qsizetype b) { return f.members[a].key < f.members[b].key; });
        out_.truncate(f.start);
        for (qsizetype i = 0; i < qsizetype(order.size()); ++i) {
            if (i > 0) out_ += ',';
            if (pretty_) indent(depth + 1);
            out_ += texts[order[i]];
        }
    }
    if (pretty_ && f.count > 0) indent(depth);
    out_ += object ? '}' : ']';
    if (stack_.empty()) done_ = true;
}

void JsonWriter::quote(QByteArray& out, QStringView text) {
    static const char hex[] = "0123456789abcdef";
    // At most three bytes per UTF-16 unit (a pair makes four, two each) or six for an escape.
    const qsizetype before = out.size();
    out.resize(before + 6 * text.size() + 2);
    char* to = out.data() + before;
    *to++ = '"';
    const char16_t* s = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = s[i];
        if (u >= 0x20 && u < 0x80 && u != u'"' && u != u'\\') {
            *to++ = char(u);
        } else if (u >= 0x80 && u < 0x800) {
            *to++ = char(0xC0 | u >> 6);
            *to++ = char(0x80 | (u & 0x3F));
        } else if (u >= 0x800 && !QChar::isSurrogate(u)) {
            *to++ = char(0xE0 | u >> 12);
            *to++ = char(0x80 | (u >> 6 & 0x3F));
            *to++ = char(0x80 | (u & 0x3F));
        } else if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
            const char32_t c = QChar::surrogateToUcs4(u, s[++i]);
            *to++ = char(0xF0 | c >> 18);
            *to++ = char(0x80 | (c >> 12 & 0x3F));
            *to++ = char(0x80 | (c >> 6 & 0x3F));
            *to++ = char(0x80 | (c & 0x3F));
        } else {
            *to++ = '\\';
            switch (u) {
            case u'"':
            case u'\\':
                *to++ = char(u);
                break;
            case u'\n':
                *to++ = 'n';
                break;
            case u'\r':
                *to++ = 'r';
                break;
            case u'\t':
                *to++ = 't';
                break;
            case u'\b':
                *to++ = 'b';
                break;
            case u'\f':
                *to++ = 'f';
                break;
            default:
                // Other control characters, and a lone surrogate, which has no UTF-8 form: escaped, it reads
                // back as the same code unit.
                *to++ = 'u';
                for (int shift = 12; shift >= 0; shift -= 4)
                    *to++ = hex[(u >> shift) & 0xF];
            }
        }
    }
    *to++ = '"';
    out.truncate(to - out.constData());
}

} // namespace mivora
