#pragma once

#include <QFontMetrics>
#include <QString>
#include <QStringView>

namespace mivora {

// Text shown elided on one line of a fixed width (a list row, a choice in the HUD). Laying out a text costs
// its whole length even when only its start shows, so only a prefix is ever laid out: a value of a
// megabyte draws as fast as a short one.
namespace OneLine {

// More UTF-16 units than any such line can show: the widest is 300 pixels, and a visible character is
// wider than half a pixel at the kit's sizes.
inline constexpr qsizetype shownAtMost = 640;
// How much of a line to read for it: a few units past `shownAtMost` tell where a character ends there.
inline constexpr qsizetype readAtMost = shownAtMost + 16;

// The text itself when it has at most `atMost` units; otherwise its first whole characters within that
// many units followed by "…", so that the cut shows even where the prefix happens to fit.
QString prefix(QStringView text, qsizetype atMost = shownAtMost);

// The text elided at the right to fit `width`, as the whole text would be; laid out from a prefix only,
// the shortest that shows where the line is cut.
QString elided(const QFontMetricsF& metrics, QStringView text, qreal width);
QString elided(const QFontMetrics& metrics, QStringView text, int width);

} // namespace OneLine
} // namespace mivora
