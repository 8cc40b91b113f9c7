#pragma once

#include "MivoraUI/Model/Lesson.h"

#include <QDateTime>
#include <QStringList>

namespace mivora {

class MemoryStore;

// The user's own memories as a lesson names them: in the practice field's placeholder and in the chips of
// "你的记忆：". A memory past its expiry is never recalled or offered, so a lesson that named one could not
// be completed with it: alive memories come first, expired ones only when nothing else is left.
namespace LessonExamples {

// Titles most used first (equal counts in stored order), the alive memories before the expired ones.
QStringList titles(const MemoryStore& store, const QDateTime& now);
// The first title naming an address ("地址"), else the first title; "我的地址" for an empty store.
QString exampleTitle(const MemoryStore& store, const QDateTime& now);
// The practice field's placeholder; `hotkey` names the key the user holds.
QString placeholder(Lesson lesson, const QString& hotkey, const QString& exampleTitle);
// The titles the hint shows as chips: at most four.
QStringList chipTitles(const MemoryStore& store, const QDateTime& now);

} // namespace LessonExamples
} // namespace mivora
