#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace mivora {

// The three things the program teaches, and every text that belongs to one of them, so the home page, the
// tutorial and the welcome all say the same words. The raw values index the tables.
enum class Lesson { dictate = 0, recall = 1, typing = 2 };

namespace Lessons {

// Every lesson, in the order every list of them follows.
constexpr std::array<Lesson, 3> all{Lesson::dictate, Lesson::recall, Lesson::typing};

int raw(Lesson lesson);
// 0, 1 and 2 give the three lessons; any other number none.
std::optional<Lesson> fromRaw(int raw);

// The texts name the hotkey as `hotkey` (the key the user really holds, e.g. "右 Ctrl") and this computer
// through the platform's words.
QString title(Lesson lesson);
QString symbol(Lesson lesson); // an icon name of the kit
QString tagline(Lesson lesson, const QString& hotkey);
// The key caps of the gesture: the hotkey, then "shift" or "tab".
QStringList keys(Lesson lesson, const QString& hotkey);
QStringList steps(Lesson lesson, const QString& hotkey);
QStringList tips(Lesson lesson, const QString& hotkey);

} // namespace Lessons
} // namespace mivora
