#include "Suggest/TypingTrigger.h"

#include "Support/Text.h"

#include <QHash>

#include <algorithm>
#include <span>
#include <vector>

namespace mivora::TypingTrigger {

namespace {

using Groups = std::span<const QStringList>;

const QHash<QString, QStringList>& polyphones() {
    static const QHash<QString, QStringList> table = [] {
        const char* rows[][3] = {
            {"地", "di", "de"},       {"的", "de", "di"},       {"行", "hang", "xing"},
            {"长", "chang", "zhang"}, {"重", "zhong", "chong"}, {"还", "hai", "huan"},
            {"乐", "le", "yue"},      {"调", "tiao", "diao"},   {"藏", "cang", "zang"},
            {"朝", "chao", "zhao"},   {"都", "du", "dou"},      {"曾", "zeng", "ceng"},
            {"厦", "xia", "sha"},     {"单", "dan", "shan"},    {"角", "jiao", "jue"},
            {"解", "jie", "xie"},     {"省", "sheng", "xing"},  {"大", "da", "dai"},
            {"会", "hui", "kuai"},    {"传", "chuan", "zhuan"}, {"便", "bian", "pian"},
            {"种", "zhong", ""},      {"号", "hao", ""},        {"区", "qu", "ou"},
            {"称", "cheng", "chen"},  {"着", "zhe", "zhao"},    {"处", "chu", ""},
            {"空", "kong", ""},       {"弹", "dan", "tan"},     {"差", "cha", "chai"},
            {"数", "shu", ""},        {"似", "si", "shi"},
        };
        QHash<QString, QStringList> t;
        for (const auto& row : rows) {
            QStringList readings{QString::fromLatin1(row[1])};
            if (*row[2]) readings.append(QString::fromLatin1(row[2]));
            t.insert(QString::fromUtf8(row[0]), readings);
        }
        return t;
    }();
    return table;
}

const Readings mine = {{QStringLiteral("wo")}, {QStringLiteral("de"), QStringLiteral("di")}};
const Readings home = {{QStringLiteral("wo")}, {QStringLiteral("jia")}};
const Readings mineAbbreviated = TriggerNames::abbreviate(mine);
const Readings homeAbbreviated = TriggerNames::abbreviate(home);

// The letters are any text, then one reading of each group of `head`, then of each group of `tail`.
bool endsWithGroups(QStringView letters, Groups tail, Groups head = {}) {
    if (tail.empty()) return head.empty() || endsWithGroups(letters, head);
    const QStringList& last = tail.back();
    for (const QString& reading : last)
        if (letters.endsWith(reading) &&
            endsWithGroups(letters.chopped(reading.size()), tail.first(tail.size() - 1), head))
            return true;
    return false;
}

// One of the possessive prefixes, then the groups.
bool endsWithPossessive(QStringView letters, Groups groups, bool withHome) {
    return endsWithGroups(letters, groups, mineAbbreviated) ||
           (withHome && endsWithGroups(letters, groups, homeAbbreviated));
}

void matchName(Pick& pick, const QString& letters, const TriggerNames::Name& n, const Memory& memory,
               bool joined) {
    const auto insertion = [&] { return joined ? memory.value : QStringLiteral("：") + memory.value; };
    const Readings& r = n.readings;
    const Groups loose(n.abbreviated);
    const int length = int(n.chars.size());
    const int groups = int(r.size());
    if (endsWithPossessive(letters, loose, true)) {
        pick.offer({memory, insertion(), n.word, false}, length + 100);
    } else if (endsWithGroups(letters, loose)) {
        if (joined || length > 3 || n.possessive)
            pick.offer({memory, insertion(), n.word, false}, length + 80);
        else if (groups != 2 || endsWithGroups(letters, Groups(r)))
            pick.offer({memory, insertion(), n.word, true}, length + 60);
    } else {
        for (int k = groups - 1; k >= 2 && 2 * k >= groups; --k) {
            if (endsWithPossessive(letters, loose.first(k), false)) {
                pick.offer({memory, insertion(), n.word, false}, k + 90);
                return;
            }
            if (endsWithGroups(letters, k >= 3 ? loose.first(k) : Groups(r).first(k))) {
                const bool strong = k == groups - 1 && groups >= 4;
                const QString word = n.chars.mid(0, k).join(QString());
                pick.offer({memory, insertion(), word, !strong}, k + (strong ? 70 : 40));
                return;
            }
        }
    }
}

// The longest beginning of the letters that is one entry of each group in order, every group used; -1
// when there is none.
qsizetype spelled(QStringView letters, Groups groups) {
    // reach[i]: the first i letters are spelled by the groups looked at so far.
    std::vector<char> reach(std::size_t(letters.size()) + 1, 0);
    reach[0] = 1;
    for (const QStringList& group : groups) {
        std::vector<char> next(reach.size(), 0);
        for (qsizetype i = 0; i < letters.size(); ++i) {
            if (!reach[std::size_t(i)]) continue;
            for (const QString& entry : group)
                if (!entry.isEmpty() && letters.mid(i).startsWith(entry))
                    next[std::size_t(i + entry.size())] = 1;
        }
        reach = std::move(next);
    }
    for (qsizetype i = letters.size(); i >= 0; --i)
        if (reach[std::size_t(i)]) return i;
    return -1;
}

} // namespace

Readings readings(const QString& text) {
    Readings out;
    for (const QString& c : Text::graphemes(text)) {
        if (const auto it = polyphones().constFind(c); it != polyphones().constEnd()) {
            out.append(*it);
        } else if (c.size() > 1 || c[0].unicode() > 0x7f) {
            QString reading;
            for (const QChar ch : Text::toLatin(c).toLower())
                if (ch.unicode() < 0x80 && ch.isLetter()) reading += ch;
            if (!reading.isEmpty()) out.append(QStringList{reading});
        } else if (c[0].isLetterOrNumber()) {
            out.append(QStringList{Text::toLower(c)});
        }
    }
    return out;
}

bool endsWith(QStringView letters, const Readings& groups, bool loose) {
    const Readings used = loose ? TriggerNames::abbreviate(groups) : groups;
    return endsWithGroups(letters, Groups(used));
}

qsizetype landed(const QString& text, QStringView letters) {
    QStringList chars = Text::graphemes(text);
    while (!chars.isEmpty() && Text::isWhitespace(chars.last()))
        chars.removeLast();
    // The groups of the last characters, the last one first; a character without a reading (a mark) ends
    // what the letters can reach.
    Readings tail;
    for (qsizetype i = chars.size() - 1; i >= 0 && tail.size() < letters.size(); --i) {
        const Readings own = readings(chars[i]);
        if (own.size() != 1) break;
        tail.prepend(TriggerNames::abbreviate(own).first());
    }
    qsizetype best = 0;
    for (qsizetype k = 1; k <= tail.size(); ++k)
        best = std::max(best, spelled(letters, Groups(tail).last(k)));
    return best;
}

std::optional<Hit> matchPinyin(const QString& letters, bool joined, const QList<Memory>& memories,
                               const QSet<QString>& muted, const QDateTime& now, TriggerNames& names,
                               int* score) {
    if (letters.size() < 2) return std::nullopt;
    Pick pick{muted, std::nullopt};
    forEachCandidate(
        memories, now,
        [&](const Memory& memory, const QString& name) {
            const TriggerNames::Name& n = names.of(name);
            if (n.chars.size() >= 2 && n.readings.size() >= 2) matchName(pick, letters, n, memory, joined);
        },
        [&](const Memory& memory, const QString& word) {
            const TriggerNames::Name& w = names.of(word);
            if (w.readings.size() < 2) return;
            const QString insertion = joined ? memory.value : QStringLiteral("：") + memory.value;
            if (endsWithPossessive(letters, Groups(w.abbreviated), false))
                pick.offer({memory, insertion, word, false}, 30);
            else if (endsWithGroups(letters, Groups(joined ? w.abbreviated : w.readings)))
                pick.offer({memory, insertion, word, !joined}, joined ? 30 : 20);
        });
    return pick.result(score);
}

} // namespace mivora::TypingTrigger
