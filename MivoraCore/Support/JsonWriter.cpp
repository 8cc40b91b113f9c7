#include "Support/JsonWriter.h"

#include "Support/IsoDate.h"

#include <algorithm>

namespace mivora {

JsonWriter::JsonWriter(bool sortedKeys, bool prettyPrinted) : sorted_(sortedKeys), pretty_(prettyPrinted) {}

void JsonWriter::beginObject() {
    stack_.push_back(Frame{.object = true});
}

void JsonWriter::beginArray() {
    stack_.push_back(Frame{.object = false});
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
    QString s;
    s.reserve(text.size() + 2);
    quote(s, text);
    put(std::move(s));
}

void JsonWriter::integer(qint64 number) {
    put(QString::number(number));
}

void JsonWriter::boolean(bool flag) {
    put(flag ? QStringLiteral("true") : QStringLiteral("false"));
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
    put(QStringLiteral("null"));
}

void JsonWriter::put(QString text) {
    if (stack_.empty()) {
        out_ = std::move(text);
        done_ = true;
        return;
    }
    Frame& f = stack_.back();
    f.parts.emplace_back(f.object ? std::exchange(f.pendingKey, QString()) : QString(), std::move(text));
}

void JsonWriter::close(bool object) {
    if (stack_.empty() || stack_.back().object != object) return;
    Frame f = std::move(stack_.back());
    stack_.pop_back();
    if (object && sorted_)
        std::stable_sort(f.parts.begin(), f.parts.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });

    const qsizetype depth = qsizetype(stack_.size());
    const QString inner = pretty_ ? QString(2 * (depth + 1), u' ') : QString();
    qsizetype size = 2;
    for (const auto& [k, v] : f.parts)
        size += k.size() + v.size() + inner.size() + 8;
    QString text;
    text.reserve(size);
    text += object ? u'{' : u'[';
    bool first = true;
    for (const auto& [k, v] : f.parts) {
        if (!first) text += u',';
        first = false;
        if (pretty_) {
            text += u'\n';
            text += inner;
        }
        if (object) {
            quote(text, k);
            text += pretty_ ? QStringLiteral(" : ") : QStringLiteral(":");
        }
        text += v;
    }
    if (pretty_ && !f.parts.empty()) {
        text += u'\n';
        text += QString(2 * depth, u' ');
    }
    text += object ? u'}' : u']';
    put(std::move(text));
}

void JsonWriter::quote(QString& out, const QString& text) {
    static const char16_t hex[] = u"0123456789abcdef";
    out += u'"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        switch (u) {
        case u'"':
            out += QStringLiteral("\\\"");
            break;
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        case u'\b':
            out += QStringLiteral("\\b");
            break;
        case u'\f':
            out += QStringLiteral("\\f");
            break;
        default:
            if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                out += c;
                out += text[++i];
            } else if (u < 0x20 || c.isSurrogate()) {
                // A lone surrogate has no UTF-8 form; escaped, it reads back as the same code unit.
                out += QStringLiteral("\\u");
                for (int shift = 12; shift >= 0; shift -= 4)
                    out += QChar(hex[(u >> shift) & 0xF]);
            } else {
                out += c;
            }
        }
    }
    out += u'"';
}

} // namespace mivora
