#include "Suggest/TypingTrigger.h"

#include "Memories/Recall.h"
#include "Support/Text.h"

namespace mivora::TypingTrigger {

namespace {

const QStringList cues = {QStringLiteral("："), QStringLiteral(":"), QStringLiteral("是"),
                          QStringLiteral("为")};
const QString mine = QStringLiteral("我的");
const QString home = QStringLiteral("我家");
const QString colon = QStringLiteral("：");

bool endsWith(const QStringList& text, const QStringList& word, qsizetype count) {
    if (count > text.size()) return false;
    for (qsizetype i = 0; i < count; ++i)
        if (text[text.size() - count + i] != word[i]) return false;
    return true;
}

// The rules for one name `w` against the lowercased text `t`; the first whose condition holds decides.
void matchName(Pick& pick, const QString& t, const QStringList& chars, const TriggerNames::Name& w,
               const Memory& memory, const QString& insertion, bool isExplicit) {
    const int length = int(w.chars.size());
    if (t.endsWith(mine + w.word) || t.endsWith(home + w.word)) {
        pick.offer({memory, insertion, w.word, false}, length + 100);
    } else if (endsWith(chars, w.chars, length)) {
        const bool strong = isExplicit || length > 3 || w.possessive;
        pick.offer({memory, insertion, w.word, !strong}, length + (strong ? 80 : 60));
    } else if (gapped(chars, w.chars)) {
        pick.offer({memory, insertion, w.word, !isExplicit}, length + 50);
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

std::optional<Hit> Pick::result() const {
    if (!best) return std::nullopt;
    return best->first;
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
                         const QDateTime& now, TriggerNames& names) {
    QStringList chars = Text::graphemes(before);
    if (chars.isEmpty() || Text::isWhitespace(chars.last())) return std::nullopt;
    const bool isExplicit = cues.contains(chars.last());
    if (isExplicit) chars.removeLast();
    if (chars.isEmpty()) return std::nullopt;
    const QString t = chars.join(QString()).toLower();
    chars = Text::graphemes(t);

    Pick pick{muted, std::nullopt};
    const QList<Memory> alive = Recall::alive(memories, now);
    for (const Memory& memory : alive) {
        const QString insertion = isExplicit ? memory.value : colon + memory.value;
        const auto tryName = [&](const QString& name) {
            const TriggerNames::Name& w = names.of(name);
            if (w.chars.size() >= 2) matchName(pick, t, chars, w, memory, insertion, isExplicit);
        };
        tryName(memory.title);
        for (const QString& alias : memory.aliases)
            tryName(alias);
    }

    for (const auto& [type, words] : bareTypeWords()) {
        const Memory* chosen = nullptr;
        for (const Memory& memory : alive)
            if (memory.type == type && (!chosen || memory.useCount > chosen->useCount)) chosen = &memory;
        if (!chosen) continue;
        const QString insertion = isExplicit ? chosen->value : colon + chosen->value;
        for (const QString& word : words) {
            if (t.endsWith(mine + word))
                pick.offer({*chosen, insertion, word, false}, 30);
            else if (t.endsWith(word))
                pick.offer({*chosen, insertion, word, !isExplicit}, isExplicit ? 30 : 20);
        }
    }
    return pick.result();
}

} // namespace mivora::TypingTrigger
