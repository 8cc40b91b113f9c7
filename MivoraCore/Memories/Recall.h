#pragma once

#include "Memories/Memory.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>
#include <tuple>

namespace mivora {

// One memory scored against one request.
struct RecallHit {
    Memory memory;
    // 0 to 1.5.
    double score = 0;
    // The name (as written in the memory) or type word that produced the match, or empty.
    QString matched;
    // The best name occurs whole in the request.
    bool exact = false;

    bool operator==(const RecallHit&) const = default;
};

// Which memories a spoken request means: a name occurring in the request (whole, or by shared character
// pairs), a category word, and a time phrase that fits the memory's age. Pure functions; the time is
// always passed in. "Characters" are user-perceived characters; "contains" means a contiguous run of them.
namespace Recall {

// A closed window of age in days.
struct Window {
    double lower = 0;
    double upper = 0;
    bool operator==(const Window&) const = default;
};

// The memories whose `expiresAt` is absent or strictly later than `now`, in their order.
QList<Memory> alive(const QList<Memory>& memories, const QDateTime& now);
// Lower-cased, without white space and without the punctuation people's requests carry.
QString norm(const QString& text);
// Every pair of adjacent characters; empty for fewer than two characters.
QSet<QString> grams(const QString& text);
// The window of the first time rule (in rule order) one of whose phrases the text contains.
std::optional<Window> timeWindow(const QString& text);

// (score, matched, exact) of one memory for one request.
std::tuple<double, QString, bool> score(const QString& query, const Memory& memory, const QDateTime& now);
// The alive memories scoring at least 0.3, best first; equal scores keep the list's order.
QList<RecallHit> recall(const QString& query, const QList<Memory>& memories, const QDateTime& now);
// The hits worth offering as choices: at least max(0.5, 0.6 × the best score), at most three, in order.
// Expects `recall`'s order.
QList<RecallHit> strong(const QList<RecallHit>& hits);
// The one memory so clearly meant that it may be inserted without asking: the only strong hit, scoring
// 0.9 or more, occurring whole in the request, and not sensitive.
std::optional<Memory> autoInsertCandidate(const QList<RecallHit>& hits);

} // namespace Recall
} // namespace mivora
