#include "Suggest/TypingTrigger.h"

#include "Support/Text.h"

namespace mivora::TypingTrigger {

namespace {

const QStringList cues = {QStringLiteral("："), QStringLiteral(":"), QStringLiteral("是"),
                          QStringLiteral("为")};
const QString colon = QStringLiteral("：");

bool endsWith(const QStringList& text, const QStringList& word, qsizetype count) {
    if (count > text.size()) return false;
    for (qsizetype i = 0; i < count; ++i)
        if (text[text.size() - count + i] != word[i]) return false;
    return true;
}

bool endsWith(const QStringList& text, const QStringList& word) {
    return endsWith(text, word, word.size());
}

// The rules for one name `w` against the characters of the lowercased text; the first whose condition
// holds decides. Every comparison is by characters.
void matchName(Pick& pick, const QStringList& chars, const TriggerNames::Name& w, const Memory& memory,
               bool isExplicit) {
    const int length = int(w.chars.size());
    const auto insertion = [&] { return isExplicit ? memory.value : colon + memory.value; };
    if (endsWith(chars, w.afterMine) || endsWith(chars, w.afterHome)) {
        pick.offer({memory, insertion(), w.word, false}, length + 100);
    } else if (endsWith(chars, w.chars, length)) {
        const bool strong = isExplicit || length > 3 || w.possessive;
        pick.offer({memory, insertion(), w.word, !strong}, length + (strong ? 80 : 60));
    } else if (gapped(chars, w.chars)) {
        pick.offer({memory, insertion(), w.word, !isExplicit}, length + 50);
    } else if (!isExplicit && length >= 3) {
        for (int k = length - 1; k >= 2 && 2 * k >= length; --k) {
            if (!endsWith(chars, w.chars, k)) continue;
            const QString typed = w.chars.mid(0, k).join(QString());
            const QString rest = w.chars.mid(k).join(QString());
            pick.offer({memory, rest + colon + memory.value, typed, true}, k + 40);
            return;
        }
    }
}

} // namespace

void Pick::offer(Hit hit, int score) {
    if (hit.loose && muted.contains(hit.word)) return;
    if (!best || score > best->second ||
        (score == best->second && hit.memory.useCount > best->first.memory.useCount))
        best = std::pair{std::move(hit), score};
}

std::optional<Hit> Pick::result(int* score) const {
    if (!best) return std::nullopt;
    if (score) *score = best->second;
    return best->first;
}

void forEachCandidate(const QList<Memory>& memories, const QDateTime& now,
                      const std::function<void(const Memory&, const QString& name)>& name,
                      const std::function<void(const Memory&, const QString& word)>& categoryWord) {
    std::vector<const Memory*> live;
    live.reserve(memories.size());
    for (const Memory& m : memories)
        if (!m.expiresAt || *m.expiresAt > now) live.push_back(&m);
    for (const Memory* m : live) {
        name(*m, m->title);
        for (const QString& alias : m->aliases)
            name(*m, alias);
    }
    for (const auto& [type, words] : bareTypeWords()) {
        const Memory* chosen = nullptr;
        for (const Memory* m : live)
            if (m->type == type && (!chosen || m->useCount > chosen->useCount)) chosen = m;
        if (!chosen) continue;
        for (const QString& word : words)
            categoryWord(*chosen, word);
    }
}

const std::vector<std::pair<QString, QStringList>>& bareTypeWords() {
    static const std::vector<std::pair<QString, QStringList>> table = {
        {QStringLiteral("地址"), {QStringLiteral("地址"), QStringLiteral("住址")}},
        {QStringLiteral("发票"), {QStringLiteral("发票"), QStringLiteral("抬头"), QStringLiteral("税号")}},
        {QStringLiteral("电话"),
         {QStringLiteral("电话"), QStringLiteral("手机"), QStringLiteral("手机号"), QStringLiteral("号码"),
          QStringLiteral("联系方式")}},
        {QStringLiteral("邮箱"),
         {QStringLiteral("邮箱"), QStringLiteral("email"), QStringLiteral("邮件地址")}},
        {QStringLiteral("信息"), {QStringLiteral("车牌"), QStringLiteral("车牌号"), QStringLiteral("wifi")}},
        {QStringLiteral("单号"), {QStringLiteral("单号"), QStringLiteral("快递单号")}},
        {QStringLiteral("链接"), {QStringLiteral("网址"), QStringLiteral("链接")}},
    };
    return table;
}

bool gapped(const QStringList& text, const QStringList& word) {
    if (word.size() < 3) return false;
    const qsizetype from = std::max<qsizetype>(0, text.size() - (word.size() + 2));
    if (text.isEmpty() || text.last() != word.last()) return false;
    qsizetype i = text.size() - 1;
    for (qsizetype j = word.size() - 1; j >= 0; --j, --i) {
        while (i >= from && text[i] != word[j])
            --i;
        if (i < from) return false;
    }
    return true;
}

std::optional<Hit> match(const QString& before, const QList<Memory>& memories, const QSet<QString>& muted,
                         const QDateTime& now, TriggerNames& names, int* score) {
    QStringList chars = Text::graphemes(before);
    if (chars.isEmpty() || Text::isWhitespace(chars.last())) return std::nullopt;
    const bool isExplicit = cues.contains(chars.last());
    if (isExplicit) chars.removeLast();
    if (chars.isEmpty()) return std::nullopt;
    chars = Text::graphemes(Text::toLower(chars.join(QString())));

    Pick pick{muted, std::nullopt};
    forEachCandidate(
        memories, now,
        [&](const Memory& memory, const QString& name) {
            const TriggerNames::Name& w = names.of(name);
            if (w.chars.size() >= 2) matchName(pick, chars, w, memory, isExplicit);
        },
        [&](const Memory& memory, const QString& word) {
            const QString insertion = isExplicit ? memory.value : colon + memory.value;
            const TriggerNames::Name& w = names.of(word);
            if (endsWith(chars, w.afterMine))
                pick.offer({memory, insertion, word, false}, 30);
            else if (endsWith(chars, w.chars))
                pick.offer({memory, insertion, word, !isExplicit}, isExplicit ? 30 : 20);
        });
    return pick.result(score);
}

} // namespace mivora::TypingTrigger
