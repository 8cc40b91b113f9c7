#include "Cloud/EchoFilter.h"

#include "Cloud/TranscriptText.h"
#include "Support/Text.h"

#include <algorithm>
#include <set>
#include <vector>

namespace mivora {

using namespace TranscriptText;

namespace {

bool isSeparator(QStringView c) {
    static const QString extra = QStringLiteral("、，。：:；;");
    return Text::isWhitespace(c) || Text::isPunctuation(c) || extra.contains(c);
}

} // namespace

EchoFilter::Coverage EchoFilter::cover(QString text, const QStringList& words) {
    std::vector<QString> ordered;
    std::set<QString> seen;
    for (const QString& w : words)
        if (!w.isEmpty() && seen.insert(w).second) ordered.push_back(w);
    std::stable_sort(ordered.begin(), ordered.end(), [](const QString& a, const QString& b) {
        return Text::graphemeCount(a) > Text::graphemeCount(b);
    });
    Coverage coverage;
    for (const QString& w : ordered) {
        const qsizetype before = text.size();
        text.remove(w);
        if (text.size() == before) continue;
        ++coverage.words;
        coverage.occurrences += (before - text.size()) / w.size();
    }
    coverage.rest = std::move(text);
    return coverage;
}

bool EchoFilter::isHallucination(const QString& text, const QStringList& vocabulary) {
    if (text.isEmpty()) return false;
    if (text.contains(QStringLiteral("常用词"))) return true;
    static const QStringList credits = {
        QStringLiteral("点赞订阅"), QStringLiteral("订阅转发"), QStringLiteral("Amara"),
        QStringLiteral("字幕由"),   QStringLiteral("谢谢观看"), QStringLiteral("感谢收看"),
    };
    for (const QString& phrase : credits)
        if (text.contains(phrase)) return true;

    QStringList words;
    for (const QString& raw : vocabulary)
        words.append(
            without(raw, [](QStringView c) { return Text::isPunctuation(c) || Text::isWhitespace(c); }));
    const Coverage c =
        cover(without(text,
                      [](QStringView ch) {
                          return Text::isPunctuation(ch) || Text::isWhitespace(ch) || Text::isSymbol(ch);
                      }),
              words);
    return c.words >= 2 && Text::graphemeCount(c.rest) < 2;
}

bool EchoFilter::isPromptEcho(const QString& text, const QStringList& words) {
    QStringList candidates;
    for (const QString& w : words)
        if (Text::graphemeCount(w) >= 2) candidates.append(w);
    if (candidates.isEmpty()) return false;
    QString rest = text;
    rest.remove(QStringLiteral("常用词"));
    const Coverage c = cover(std::move(rest), candidates);
    const qsizetype leftover = Text::graphemeCount(without(c.rest, isSeparator));
    return c.occurrences >= 2 && leftover <= std::max<qsizetype>(4, c.occurrences) / 2;
}

bool EchoFilter::isJunk(const QString& text, bool isShort) {
    if (!isShort) return false;
    const QString b = bare(text);
    if (Text::graphemeCount(b) >= 3) return false;
    bool hasIdeograph = false;
    forEachCodePoint(b, [&](QStringView c) {
        const char32_t cp = codePoint(c);
        if (cp >= 0x4E00 && cp <= 0x9FFF) hasIdeograph = true;
    });
    if (hasIdeograph) return false;
    const QStringList chars = Text::graphemes(b);
    return std::any_of(chars.begin(), chars.end(), [](const QString& c) { return !Text::isNumber(c); });
}

QString EchoFilter::bare(const QString& text) {
    return without(simplified(text), isSeparator);
}

QString EchoFilter::simplified(const QString& text) {
    const QString s = Text::toSimplified(text);
    return s.isEmpty() ? text : s;
}

} // namespace mivora
