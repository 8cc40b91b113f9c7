#pragma once

#include "Support/Scheduler.h"

#include <QDateTime>
#include <QObject>
#include <QString>

namespace mivora {

class Clock;
class Defaults;

// What the program has done for the user: insertions today and in total, characters inserted, voice
// recalls and typing-suggestion fills. Kept in the user defaults ("stats.*") and published for the home
// page. The counters and their signals change at once; the store is written `saveDelay` seconds later
// (or when the object goes), since a write to the settings file stalls the main thread for milliseconds
// and an insertion is reported while the pasted application still waits for the clipboard. Main thread
// only.
class UsageStats : public QObject {
    Q_OBJECT
    Q_PROPERTY(qint64 today READ today NOTIFY todayChanged)
    Q_PROPERTY(qint64 total READ total NOTIFY totalChanged)
    Q_PROPERTY(qint64 chars READ chars NOTIFY charsChanged)
    Q_PROPERTY(qint64 recalls READ recalls NOTIFY recallsChanged)
    Q_PROPERTY(qint64 typedFills READ typedFills NOTIFY typedFillsChanged)
    Q_PROPERTY(qint64 minutesSaved READ minutesSaved NOTIFY charsChanged)

public:
    // Loads the counters; `today` only counts when "stats.day" is today's day key. Writes nothing.
    UsageStats(Defaults& defaults, Clock& clock, Scheduler& scheduler, QObject* parent = nullptr);
    ~UsageStats() override;

    // Longer than the clipboard's restore after a paste, so the write never delays the paste.
    double saveDelay = 1.0;

    // One voice insertion of `chars` characters (and one recall when `recall`).
    void record(qint64 chars, bool recall);
    // One accepted typing suggestion of `chars` characters.
    void recordTyped(qint64 chars);

    qint64 today() const { return today_; }
    qint64 total() const { return total_; }
    qint64 chars() const { return chars_; }
    qint64 recalls() const { return recalls_; }
    qint64 typedFills() const { return typedFills_; }
    // Every 40 characters count as one minute saved.
    qint64 minutesSaved() const { return chars_ / 40; }

    // The local calendar day of `date` as "2025-3-7" (no padding).
    static QString dayKey(const QDateTime& date);

signals:
    void todayChanged();
    void totalChanged();
    void charsChanged();
    void recallsChanged();
    void typedFillsChanged();

private:
    void count(qint64 chars);
    void scheduleSave();
    void save();

    Defaults& d_;
    Clock& clock_;
    Scheduler& scheduler_;
    Scheduler::TimerId saveTimer_ = 0;
    QString day_; // the day "stats.day" names, as last read or counted
    qint64 today_ = 0;
    qint64 total_ = 0;
    qint64 chars_ = 0;
    qint64 recalls_ = 0;
    qint64 typedFills_ = 0;
    // Whether these two counted since the start, so their keys are written (the others always are).
    bool recallsCounted_ = false;
    bool typedFillsCounted_ = false;
};

} // namespace mivora
