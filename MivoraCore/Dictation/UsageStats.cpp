#include "Dictation/UsageStats.h"

#include "Support/Clock.h"
#include "Support/Defaults.h"

#include <QDateTime>

#include <limits>

namespace mivora {

namespace {
const QString dayKeyName = QStringLiteral("stats.day");
const QString todayKey = QStringLiteral("stats.today");
const QString totalKey = QStringLiteral("stats.total");
const QString charsKey = QStringLiteral("stats.chars");
const QString recallsKey = QStringLiteral("stats.recalls");
const QString typedKey = QStringLiteral("stats.typed");

// A counter stops at the largest value it can hold: one more would turn it into the smallest negative.
void add(qint64& counter, qint64 n) {
    if (__builtin_add_overflow(counter, n, &counter))
        counter = n > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
}
} // namespace

UsageStats::UsageStats(Defaults& defaults, Clock& clock, Scheduler& scheduler, QObject* parent)
    : QObject(parent), d_(defaults), clock_(clock), scheduler_(scheduler) {
    total_ = d_.value(totalKey).toLongLong();
    chars_ = d_.value(charsKey).toLongLong();
    recalls_ = d_.value(recallsKey).toLongLong();
    typedFills_ = d_.value(typedKey).toLongLong();
    const QVariant day = d_.value(dayKeyName);
    if (day.isValid()) day_ = day.toString();
    if (day.isValid() && day_ == dayKey(clock_.now())) today_ = d_.value(todayKey).toLongLong();
}

UsageStats::~UsageStats() {
    if (!saveTimer_) return;
    scheduler_.cancel(saveTimer_);
    save();
}

QString UsageStats::dayKey(const QDateTime& date) {
    const QDate local = date.toLocalTime().date();
    return QStringLiteral("%1-%2-%3").arg(local.year()).arg(local.month()).arg(local.day());
}

void UsageStats::count(qint64 n) {
    const QString now = dayKey(clock_.now());
    if (day_ != now) {
        today_ = 0;
        day_ = now;
    }
    add(today_, 1);
    add(total_, 1);
    add(chars_, n);
    scheduleSave();
    emit todayChanged();
    emit totalChanged();
    if (n != 0) emit charsChanged();
}

void UsageStats::record(qint64 chars, bool recall) {
    count(chars);
    if (!recall) return;
    add(recalls_, 1);
    recallsCounted_ = true;
    emit recallsChanged();
}

void UsageStats::recordTyped(qint64 chars) {
    count(chars);
    add(typedFills_, 1);
    typedFillsCounted_ = true;
    emit typedFillsChanged();
}

void UsageStats::scheduleSave() {
    if (saveTimer_) return;
    saveTimer_ = scheduler_.after(saveDelay, [this] {
        saveTimer_ = 0;
        save();
    });
}

void UsageStats::save() {
    d_.setValue(dayKeyName, day_);
    d_.setValue(todayKey, today_);
    d_.setValue(totalKey, total_);
    d_.setValue(charsKey, chars_);
    // Each count that changed, whatever its value: one that comes back to 0 (from a damaged -1) is news too.
    if (recallsCounted_) d_.setValue(recallsKey, recalls_);
    if (typedFillsCounted_) d_.setValue(typedKey, typedFills_);
}

} // namespace mivora
