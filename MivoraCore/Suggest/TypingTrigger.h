#pragma once

#include "Memories/Memory.h"
#include "Suggest/TriggerNames.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace mivora {

// Which memory to offer for what the user has just typed: a memory's name, or a category word, at the
// very end of the text before the caret (`match`) or of the pinyin letters committed through an input
// method (`matchPinyin`). A strong match comes from an unambiguous way of asking (a cue after the name,
// "我的" before it, a long name); a loose one might be chance, and a loose word the user ignored twice is
// muted. Pure functions; the time and the name cache are passed in.
namespace TypingTrigger {

struct Hit {
    Memory memory;
    QString insertion; // the exact text to insert at the caret
    QString word;      // the word that matched: the key under which dismissals are counted
    bool loose = false;
    bool operator==(const Hit&) const = default;
};

// The running selection: the highest score wins, then the higher use count, then the earlier candidate.
struct Pick {
    const QSet<QString>& muted;
    std::optional<std::pair<Hit, int>> best;

    // A loose hit of a muted word offers nothing.
    void offer(Hit hit, int score);
    // The best hit, and its score through `score` when given.
    std::optional<Hit> result(int* score = nullptr) const;
};

// The candidates both matchers weigh, in order: every name (title, then aliases) of every memory not
// expired at `now` (as `Recall::alive` keeps them), then every category word whose type has a live memory,
// with the most used of them (the first on ties).
void forEachCandidate(const QList<Memory>& memories, const QDateTime& now,
                      const std::function<void(const Memory&, const QString& name)>& name,
                      const std::function<void(const Memory&, const QString& word)>& categoryWord);

// Category words by memory type, in a fixed order.
const std::vector<std::pair<QString, QStringList>>& bareTypeWords();

// `score`, when given, receives the winning candidate's score.
std::optional<Hit> match(const QString& before, const QList<Memory>& memories, const QSet<QString>& muted,
                         const QDateTime& now, TriggerNames& names, int* score = nullptr);
// The word's characters occur in order among the last (word length + 2) characters of the text, the last
// ones equal: up to two stray characters between them (公司的地址 for 公司地址).
bool gapped(const QStringList& text, const QStringList& word);

std::optional<Hit> matchPinyin(const QString& letters, bool joined, const QList<Memory>& memories,
                               const QSet<QString>& muted, const QDateTime& now, TriggerNames& names,
                               int* score = nullptr);
// Per character: the polyphone table, else the Han-Latin transliteration without tones, else an ASCII
// letter or digit itself; other characters have none.
Readings readings(const QString& text);
// The letters are any text followed by one reading of each group in order (with `loose`, any beginning
// of one).
bool endsWith(QStringView letters, const Readings& readings, bool loose);
// How many of the letters, from the first, the last characters of the text spell: one reading of each
// character, or any beginning of one (initials), spaces after them aside. 0 when its end spells none.
qsizetype landed(const QString& text, QStringView letters);

} // namespace TypingTrigger
} // namespace mivora
