#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

namespace mivora {

class Clock;
class Defaults;

// What the program has done for the user: insertions today and in total, characters inserted, voice
// recalls and typing-suggestion fills. Kept in the user defaults ("stats.*") and published for the home
// page. Main thread only.
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
    UsageStats(Defaults& defaults, Clock& clock, QObject* parent = nullptr);

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

    Defaults& d_;
    Clock& clock_;
    qint64 today_ = 0;
    qint64 total_ = 0;
    qint64 chars_ = 0;
    qint64 recalls_ = 0;
    qint64 typedFills_ = 0;
};

} // namespace mivora
