#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace mivora {

struct Memory;

// Pinyin readings of a text: per character that has any, the toneless syllables it may be read as.
using Readings = QList<QStringList>;

// What the typing triggers need of each memory name (and category word), worked out once per name: a
// keystroke must never transliterate the whole store. Main thread only.
class TriggerNames {
public:
    struct Name {
        QString word;          // trimmed of spaces and tabs, lowercased
        QStringList chars;     // the characters of `word`
        QStringList afterMine; // the characters of 我的 + `word` (a mark at the start of `word` joins 的)
        QStringList afterHome; // the characters of 我家 + `word`
        bool possessive = false; // its first two characters are 我的 or 我家
        Readings readings;       // of the trimmed name
        Readings abbreviated;    // each group widened to every beginning of its readings
    };

    const Name& of(const QString& name);
    // Forgets every name that none of these memories has as title or alias.
    void retainNamesOf(const QList<Memory>& memories);
    qsizetype size() const { return names_.size(); }

    // Spaces of any width and tabs off both ends; line breaks stay.
    static QString trimmed(const QString& name);
    // Every group replaced by all non-empty beginnings of its readings, without duplicates.
    static Readings abbreviate(const Readings& readings);

private:
    QHash<QString, Name> names_;
};

} // namespace mivora
