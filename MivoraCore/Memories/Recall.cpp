#include "Memories/Recall.h"

#include "Support/Text.h"

#include <QVarLengthArray>

#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <bitset>

namespace mivora::Recall {

using namespace Qt::StringLiterals;

namespace {

constexpr double containBase = 0.75;
constexpr double containPerChar = 0.05;
constexpr double containMaxExtra = 0.25;
constexpr double pairWeight = 0.7;
constexpr qsizetype minNameChars = 2;
constexpr double typeBonus = 0.3;
constexpr double timeFit = 0.25;
constexpr double timeMisfit = -0.2;
constexpr double secondsPerDay = 86400;
constexpr double maxScore = 1.5;
constexpr double recallThreshold = 0.3;
constexpr double strongFloor = 0.5;
constexpr double strongShare = 0.6;
constexpr qsizetype maxStrong = 3;
constexpr double autoInsertScore = 0.9;

struct TimeRule {
    QStringList keys;
    Window days;
};

struct TypeWords {
    QString type;
    QStringList words;
};

const QString& dropped() {
    static const QString chars =
        QString::fromUtf16(u"\uFF0C\u3002,.!\uFF01?\uFF1F\u3001\uFF1A:\uFF1B;"
                           u"\"\u201C\u201D'\u2019\uFF08\uFF09()\u300C\u300D-\u2014");
    return chars;
}

const std::vector<TimeRule>& timeRules() {
    static const std::vector<TimeRule> rules = {
        {{u"刚才"_s, u"刚刚"_s, u"刚复制"_s}, {0, 0.1}},
        {{u"昨天"_s, u"昨晚"_s}, {0.3, 2}},
        {{u"前两天"_s, u"前几天"_s, u"这两天"_s}, {1, 5}},
        {{u"上周"_s, u"上星期"_s, u"上礼拜"_s}, {4, 15}},
        {{u"上个月"_s, u"上月"_s}, {20, 50}},
        {{u"上次"_s, u"之前"_s, u"以前"_s, u"那次"_s}, {0.5, 365}},
    };
    return rules;
}

const std::vector<TypeWords>& typeWords() {
    static const std::vector<TypeWords> table = {
        {u"地址"_s, {u"地址"_s, u"住址"_s, u"收货"_s, u"寄到"_s, u"寄给"_s, u"收件"_s}},
        {u"发票"_s, {u"发票"_s, u"抬头"_s, u"税号"_s, u"开票"_s, u"报销"_s}},
        {u"电话"_s, {u"电话"_s, u"手机"_s, u"号码"_s, u"联系方式"_s}},
        {u"邮箱"_s, {u"邮箱"_s, u"邮件"_s, u"email"_s, u"mail"_s}},
        {u"餐厅"_s, {u"吃饭"_s, u"餐厅"_s, u"馆子"_s, u"饭店"_s, u"好吃"_s, u"吃的"_s}},
        {u"地点"_s, {u"地方"_s, u"景点"_s, u"展览"_s, u"去哪"_s}},
        {u"链接"_s, {u"链接"_s, u"网址"_s, u"网页"_s}},
        {u"单号"_s, {u"单号"_s, u"快递"_s, u"物流"_s, u"运单"_s}},
        {u"信息"_s, {u"车牌"_s, u"wifi"_s, u"密码"_s}},
    };
    return table;
}

// Facts about single UTF-16 units, looked up once. A unit is `standalone` when it is always a character of
// its own next to another such unit: no surrogate, and a grapheme break class that joins with nothing (CR,
// which joins a following LF, is not among them). Texts made only of these are split by unit, which spares
// the break iterator on nearly every name. `removed`: a standalone unit that `norm` drops.
struct Units {
    std::bitset<65536> standalone;
    std::bitset<65536> removed;
};

const Units& units() {
    static const Units table = [] {
        Units t;
        for (UChar32 c = 0; c < 0x10000; ++c) {
            if (U16_IS_SURROGATE(c)) continue;
            const int gcb = u_getIntPropertyValue(c, UCHAR_GRAPHEME_CLUSTER_BREAK);
            t.standalone[size_t(c)] = gcb == U_GCB_OTHER || gcb == U_GCB_CONTROL || gcb == U_GCB_LF;
            const char16_t unit = char16_t(c);
            t.removed[size_t(c)] =
                Text::isWhitespace(QStringView(&unit, 1)) || dropped().contains(QChar(unit));
        }
        return t;
    }();
    return table;
}

// A text split into characters: by unit when every unit stands alone, otherwise at the offsets of its
// character boundaries (0 first, the text's length last).
struct Chars {
    QString text;
    bool byUnit = true;
    QVarLengthArray<qsizetype, 16> bounds;

    qsizetype count() const { return byUnit ? text.size() : bounds.size() - 1; }
    qsizetype start(qsizetype i) const { return byUnit ? i : bounds[i]; }
    QStringView at(qsizetype i) const { return QStringView(text).mid(start(i), start(i + 1) - start(i)); }
    // Characters i and i + 1.
    QStringView pair(qsizetype i) const { return QStringView(text).mid(start(i), start(i + 2) - start(i)); }
    bool isBoundary(qsizetype offset) const {
        return byUnit || std::binary_search(bounds.begin(), bounds.end(), offset);
    }
    // A contiguous run of whole characters equal to `needle`.
    bool contains(QStringView needle) const {
        if (needle.isEmpty()) return true;
        for (qsizetype from = 0;;) {
            const qsizetype at = QStringView(text).indexOf(needle, from);
            if (at < 0) return false;
            if (isBoundary(at) && isBoundary(at + needle.size())) return true;
            from = at + 1;
        }
    }
};

Chars split(QString text) {
    Chars c;
    c.text = std::move(text);
    const auto& table = units().standalone;
    for (const QChar ch : std::as_const(c.text))
        if (!table[ch.unicode()]) {
            c.byUnit = false;
            break;
        }
    if (c.byUnit) return c;
    c.bounds.append(0);
    qsizetype at = 0;
    for (const QString& g : Text::graphemes(c.text)) {
        at += g.size();
        c.bounds.append(at);
    }
    return c;
}

bool isDropped(QStringView character) {
    return Text::isWhitespace(character) || (character.size() == 1 && dropped().contains(character[0]));
}

Chars normalised(const QString& text) {
    Chars c = split(Text::toLower(text));
    if (c.byUnit) {
        const auto& removed = units().removed;
        const auto keep = [&](QChar ch) { return !removed[ch.unicode()]; };
        if (std::all_of(c.text.cbegin(), c.text.cend(), keep)) return c;
        QString kept;
        kept.reserve(c.text.size());
        for (const QChar ch : std::as_const(c.text))
            if (keep(ch)) kept += ch;
        c.text = std::move(kept);
        return c;
    }
    Chars kept;
    kept.byUnit = false;
    kept.bounds.append(0);
    kept.text.reserve(c.text.size());
    for (qsizetype i = 0; i < c.count(); ++i) {
        const QStringView ch = c.at(i);
        if (isDropped(ch)) continue;
        kept.text += ch;
        kept.bounds.append(kept.text.size());
    }
    return kept;
}

std::optional<Window> windowOf(const Chars& q) {
    for (const TimeRule& rule : timeRules())
        for (const QString& key : rule.keys)
            if (q.contains(key)) return rule.days;
    return std::nullopt;
}

// A set of character pairs. Nearly every pair is two UTF-16 units, kept packed in one number so that
// comparing pairs costs an integer comparison; longer pairs are kept as text.
class PairSet {
public:
    // False when the pair was already there.
    bool insert(QStringView pair) {
        if (contains(pair)) return false;
        if (pair.size() == 2)
            packed_.append(pack(pair));
        else
            long_.append(pair);
        return true;
    }
    bool contains(QStringView pair) const {
        if (pair.size() == 2) return std::find(packed_.begin(), packed_.end(), pack(pair)) != packed_.end();
        return std::find(long_.begin(), long_.end(), pair) != long_.end();
    }
    qsizetype size() const { return packed_.size() + long_.size(); }

private:
    static quint32 pack(QStringView pair) { return quint32(pair[0].unicode()) << 16 | pair[1].unicode(); }
    QVarLengthArray<quint32, 32> packed_;
    QVarLengthArray<QStringView, 4> long_;
};

// Everything about the request that does not depend on the memory, worked out once per call.
struct Query {
    Chars q;
    PairSet grams;
    std::optional<Window> window;
    // For each row of the type table, the first of its words the request contains (null when none).
    std::vector<QString> typeHit;

    explicit Query(const QString& text) : q(normalised(text)) {
        for (qsizetype i = 0; i + 1 < q.count(); ++i)
            grams.insert(q.pair(i));
        window = windowOf(q);
        for (const TypeWords& row : typeWords()) {
            QString hit;
            for (const QString& word : row.words)
                if (q.contains(word)) {
                    hit = word;
                    break;
                }
            typeHit.push_back(hit);
        }
    }
};

struct Scored {
    double score = 0;
    QString matched;
    bool exact = false;
};

Scored scoreOne(const Query& query, const Memory& memory, const QDateTime& now) {
    Scored r;
    double best = 0;
    auto consider = [&](const QString& name) {
        const Chars n = normalised(name);
        const qsizetype chars = n.count();
        if (chars < minNameChars) return;
        double s;
        bool e;
        if (query.q.contains(n.text)) {
            s = containBase + std::min(containMaxExtra, containPerChar * double(chars));
            e = true;
        } else {
            PairSet seen;
            qsizetype shared = 0;
            for (qsizetype i = 0; i + 1 < chars; ++i) {
                const QStringView g = n.pair(i);
                if (seen.insert(g) && query.grams.contains(g)) ++shared;
            }
            s = pairWeight * double(shared) / double(seen.size());
            e = false;
        }
        if (s > best) {
            best = s;
            r.matched = name;
            r.exact = e;
        }
    };
    consider(memory.title);
    for (const QString& alias : memory.aliases)
        consider(alias);

    const auto& table = typeWords();
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].type == memory.type) {
            if (!query.typeHit[i].isNull()) {
                best += typeBonus;
                if (r.matched.isEmpty()) r.matched = query.typeHit[i];
            }
            break;
        }

    if (query.window) {
        const double age = double(memory.savedAt.msecsTo(now)) / 1000.0 / secondsPerDay;
        best += (query.window->lower <= age && age <= query.window->upper) ? timeFit : timeMisfit;
    }
    r.score = std::clamp(best, 0.0, maxScore);
    return r;
}

bool isAlive(const Memory& m, const QDateTime& now) {
    return !m.expiresAt || *m.expiresAt > now;
}

} // namespace

QList<Memory> alive(const QList<Memory>& memories, const QDateTime& now) {
    QList<Memory> out;
    for (const Memory& m : memories)
        if (isAlive(m, now)) out.append(m);
    return out;
}

QString norm(const QString& text) {
    return normalised(text).text;
}

QSet<QString> grams(const QString& text) {
    const Chars c = split(text);
    QSet<QString> out;
    for (qsizetype i = 0; i + 1 < c.count(); ++i)
        out.insert(c.pair(i).toString());
    return out;
}

std::optional<Window> timeWindow(const QString& text) {
    return windowOf(split(text));
}

std::tuple<double, QString, bool> score(const QString& query, const Memory& memory, const QDateTime& now) {
    Scored s = scoreOne(Query(query), memory, now);
    return {s.score, std::move(s.matched), s.exact};
}

QList<RecallHit> recall(const QString& query, const QList<Memory>& memories, const QDateTime& now) {
    const Query q(query);
    QList<RecallHit> hits;
    for (const Memory& m : memories) {
        if (!isAlive(m, now)) continue;
        Scored s = scoreOne(q, m, now);
        if (s.score >= recallThreshold) hits.append(RecallHit{m, s.score, std::move(s.matched), s.exact});
    }
    std::stable_sort(hits.begin(), hits.end(),
                     [](const RecallHit& a, const RecallHit& b) { return a.score > b.score; });
    return hits;
}

QList<RecallHit> strong(const QList<RecallHit>& hits) {
    QList<RecallHit> out;
    if (hits.isEmpty()) return out;
    const double threshold = std::max(strongFloor, strongShare * hits.first().score);
    for (const RecallHit& h : hits) {
        if (out.size() == maxStrong) break;
        if (h.score >= threshold) out.append(h);
    }
    return out;
}

std::optional<Memory> autoInsertCandidate(const QList<RecallHit>& hits) {
    const QList<RecallHit> s = strong(hits);
    if (s.size() == 1 && s.first().score >= autoInsertScore && s.first().exact && !s.first().memory.sensitive)
        return s.first().memory;
    return std::nullopt;
}

} // namespace mivora::Recall
