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

// The text itself when it has at most `shownAtMost` units; otherwise its first whole characters within
// that many units followed by "…", so that the cut shows even where the prefix happens to fit.
QString prefix(QStringView text);

// The text elided at the right to fit `width`, laid out from its prefix only.
QString elided(const QFontMetricsF& metrics, QStringView text, qreal width);
QString elided(const QFontMetrics& metrics, QStringView text, int width);

} // namespace OneLine
} // namespace mivora
