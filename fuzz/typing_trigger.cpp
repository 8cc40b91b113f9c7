// The typing trigger for typed text against a slow, plain reading of its rules: character lists built
// afresh for every comparison, no cache, no shared helpers but the character split. Any typed text and
// memories, with marks, U+FEFF and lone surrogates among their characters, give the same hit and score.
#include "RoundTrip.h"
#include "Suggest/TypingTrigger.h"
#include "Support/Text.h"

using namespace mivora;

namespace {

const QDateTime now = QDateTime(QDate(2025, 3, 7), QTime(9, 0), Qt::UTC);

// What the bytes spell: each byte one of these pieces, so that names, cues and category words meet often.
const QStringList pieces = {
    "我", "的", "家", "地",     "址",     "公",     "司",         "手", "机", "号",     "码", "电", "话",
    "邮", "箱", "件", "发",     "票",     "抬",     "头",         "税", "住", "车",     "牌", "单", "快",
    "递", "网", "链", "接",     "联",     "系",     "方",         "式", "：", ":",      "是", "为", " ",
    "\t", "\n", "　", "e",      "E",      "m",      "a",          "i",  "l",  "w",      "W",  "f",  "F",
    "I",  "-",  "x",  "\u0301", "\u0600", "\uFEFF", "\U0001F600", "İ",  "ß",  "\u200D", "到", "连"};
const QStringList types = {"地址", "发票", "电话", "邮箱", "信息", "单号", "链接", "其他"};

QString spell(QByteArrayView bytes) {
    QString out;
    for (const char b : bytes)
        out += quint8(b) == 0xFD ? QString(QChar(0xD800)) : pieces[quint8(b) % pieces.size()];
    return out;
}

struct Scored {
    TypingTrigger::Hit hit;
    int score;
};

struct Reference {
    QStringList t;
    bool isExplicit = false;
    const QSet<QString>& muted;
    std::optional<Scored> best;

    static QStringList chars(const QString& s) { return Text::graphemes(s); }
    // Lower case that keeps a lone surrogate (Qt's lowering does not).
    static QString lower(const QString& s) { return fuzz::icuLower(s); }
    bool endsWith(const QStringList& word) const {
        return word.size() <= t.size() && t.mid(t.size() - word.size()) == word;
    }
    void offer(const Memory& m, const QString& insertion, const QString& word, bool loose, int score) {
        if (loose && muted.contains(word)) return;
        if (!best || score > best->score || (score == best->score && m.useCount > best->hit.memory.useCount))
            best = Scored{{m, insertion, word, loose}, score};
    }
    bool gapped(const QStringList& w) const {
        if (w.size() < 3) return false;
        const QStringList window = t.mid(std::max<qsizetype>(0, t.size() - (w.size() + 2)));
        if (window.isEmpty() || window.last() != w.last()) return false;
        qsizetype j = w.size() - 1;
        for (qsizetype i = window.size() - 1; i >= 0 && j >= 0; --i)
            if (window[i] == w[j]) --j;
        return j < 0;
    }
    static QString trim(QString s) {
        const auto space = [](QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; };
        while (!s.isEmpty() && space(s.front()))
            s.remove(0, 1);
        while (!s.isEmpty() && space(s.back()))
            s.chop(1);
        return s;
    }
    void name(const Memory& m, const QString& raw) {
        const QString insertion = isExplicit ? m.value : "：" + m.value;
        const QString w = lower(trim(raw));
        const QStringList wc = chars(w);
        const int n = int(wc.size());
        if (n < 2) return;
        if (endsWith(chars("我的" + w)) || endsWith(chars("我家" + w)))
            return offer(m, insertion, w, false, n + 100);
        if (endsWith(wc)) {
            const bool possessive = wc.mid(0, 2) == chars("我的") || wc.mid(0, 2) == chars("我家");
            if (isExplicit || n > 3 || possessive) return offer(m, insertion, w, false, n + 80);
            return offer(m, insertion, w, true, n + 60);
        }
        if (gapped(wc)) return offer(m, insertion, w, !isExplicit, n + 50);
        if (isExplicit || n < 3) return;
        for (int k = n - 1; k >= 2 && 2 * k >= n; --k)
            if (endsWith(wc.mid(0, k)))
                return offer(m, wc.mid(k).join("") + "：" + m.value, wc.mid(0, k).join(""), true, k + 40);
    }
    void category(const Memory& m, const QString& word) {
        const QString insertion = isExplicit ? m.value : "：" + m.value;
        if (endsWith(chars("我的" + word))) return offer(m, insertion, word, false, 30);
        if (endsWith(chars(word))) offer(m, insertion, word, !isExplicit, isExplicit ? 30 : 20);
    }
};

std::optional<Scored> reference(const QString& before, const QList<Memory>& memories,
                                const QSet<QString>& muted) {
    QStringList typed = Text::graphemes(before);
    if (typed.isEmpty() || Text::isWhitespace(typed.last())) return std::nullopt;
    Reference r{{}, QStringList({"：", ":", "是", "为"}).contains(typed.last()), muted, std::nullopt};
    if (r.isExplicit) typed.removeLast();
    if (typed.isEmpty()) return std::nullopt;
    r.t = Text::graphemes(Reference::lower(typed.join("")));
    QList<Memory> live;
    for (const Memory& m : memories)
        if (!m.expiresAt || *m.expiresAt > now) live.append(m);
    for (const Memory& m : live) {
        r.name(m, m.title);
        for (const QString& alias : m.aliases)
            r.name(m, alias);
    }
    const std::pair<QString, QStringList> table[] = {
        {"地址", {"地址", "住址"}},
        {"发票", {"发票", "抬头", "税号"}},
        {"电话", {"电话", "手机", "手机号", "号码", "联系方式"}},
        {"邮箱", {"邮箱", "email", "邮件地址"}},
        {"信息", {"车牌", "车牌号", "wifi"}},
        {"单号", {"单号", "快递单号"}},
        {"链接", {"网址", "链接"}},
    };
    for (const auto& [type, words] : table) {
        const Memory* chosen = nullptr;
        for (const Memory& m : live)
            if (m.type == type && (!chosen || m.useCount > chosen->useCount)) chosen = &m;
        if (chosen)
            for (const QString& word : words)
                r.category(*chosen, word);
    }
    return r.best;
}

} // namespace

// Fields are separated by 0xFF: the typed text, then per memory its title, its aliases (separated by 0xFE)
// and one byte of kind: type, use count, expired, muted title.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QByteArray> fields = fuzz::bytes(data, size).split(char(0xFF));
    QList<Memory> memories;
    QSet<QString> muted;
    for (qsizetype i = 1; i + 2 < fields.size() && memories.size() < 6; i += 3) {
        const quint8 kind = fields[i + 2].isEmpty() ? 0 : quint8(fields[i + 2][0]);
        Memory m{.id = QString::number(i), .title = spell(fields[i]), .type = types[kind % types.size()]};
        for (const QByteArray& alias : fields[i + 1].split(char(0xFE)))
            if (!alias.isEmpty()) m.aliases.append(spell(alias));
        m.value = QStringLiteral("值") + QString::number(i);
        m.useCount = (kind >> 3) % 3;
        if (kind & 0x20) m.expiresAt = now.addSecs(kind & 0x40 ? 1 : -1);
        if (kind & 0x80) muted.insert(Reference::lower(Reference::trim(m.title)));
        memories.append(m);
    }
    if (memories.isEmpty()) return 0;
    if (size > 0 && data[size - 1] == 0xFC) muted.insert(QStringLiteral("地址"));
    const QString typed = spell(fields[0]);

    // The trigger keeps its names between calls, as the controller does.
    static TriggerNames names;
    int score = -1;
    const auto hit = TypingTrigger::match(typed, memories, muted, now, names, &score);
    const auto expected = reference(typed, memories, muted);
    fuzz::require(hit.has_value() == expected.has_value(), "a hit where the rules give none, or none for one",
                  typed.toUtf8());
    if (hit) {
        fuzz::require(*hit == expected->hit, "another hit than the rules give",
                      (typed + " → " + hit->word).toUtf8());
        fuzz::require(score == expected->score, "another score than the rules give", typed.toUtf8());
    }
    names.retainNamesOf(memories);
    return 0;
}
