#include "Suggest/TriggerNames.h"

#include "Memories/Memory.h"
#include "Suggest/TypingTrigger.h"
#include "Support/Text.h"

namespace mivora {

namespace {

bool isSpace(QChar c) {
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

} // namespace

QString TriggerNames::trimmed(const QString& name) {
    qsizetype from = 0, to = name.size();
    while (from < to && isSpace(name[from]))
        ++from;
    while (to > from && isSpace(name[to - 1]))
        --to;
    return name.mid(from, to - from);
}

Readings TriggerNames::abbreviate(const Readings& readings) {
    Readings out;
    out.reserve(readings.size());
    for (const QStringList& group : readings) {
        QStringList widened;
        for (const QString& reading : group)
            for (qsizetype n = 1; n <= reading.size(); ++n)
                if (!widened.contains(reading.left(n))) widened.append(reading.left(n));
        out.append(widened);
    }
    return out;
}

const TriggerNames::Name& TriggerNames::of(const QString& name) {
    const auto it = names_.constFind(name);
    if (it != names_.constEnd()) return *it;
    Name entry;
    const QString trimmedName = trimmed(name);
    entry.word = Text::toLower(trimmedName);
    entry.chars = Text::graphemes(entry.word);
    entry.afterMine = Text::graphemes(QStringLiteral("我的") + entry.word);
    entry.afterHome = Text::graphemes(QStringLiteral("我家") + entry.word);
    entry.possessive = entry.chars.size() >= 2 && entry.chars[0] == QStringLiteral("我") &&
                       (entry.chars[1] == QStringLiteral("的") || entry.chars[1] == QStringLiteral("家"));
    entry.readings = TypingTrigger::readings(trimmedName);
    entry.abbreviated = abbreviate(entry.readings);
    return *names_.insert(name, std::move(entry));
}

void TriggerNames::retainNamesOf(const QList<Memory>& memories) {
    QSet<QString> kept;
    for (const Memory& memory : memories) {
        kept.insert(memory.title);
        for (const QString& alias : memory.aliases)
            kept.insert(alias);
    }
    for (const auto& [type, words] : TypingTrigger::bareTypeWords())
        for (const QString& word : words)
            kept.insert(word);
    names_.removeIf([&](const auto& entry) { return !kept.contains(entry.key()); });
}

} // namespace mivora
