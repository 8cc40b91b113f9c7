#include "MivoraUI/Kit/OneLine.h"

#include "Support/Text.h"

#include <algorithm>

namespace mivora::OneLine {

namespace {

// Lays out a short start of the text first (a line of Chinese is cut within it), and one twice as long
// each time the whole of it fits.
template <typename Metrics, typename Width>
QString elidedFromStart(const Metrics& metrics, QStringView text, Width width) {
    for (qsizetype take = std::max<qsizetype>(24, qsizetype(width / 8));; take *= 2) {
        take = std::min(take, shownAtMost);
        const QString start = prefix(text, take);
        QString shown = metrics.elidedText(start, Qt::ElideRight, width);
        // Cut inside this start, the rest of the text could not have shown.
        if (shown != start || start.size() == text.size() || take == shownAtMost) return shown;
    }
}

} // namespace

QString prefix(QStringView text, qsizetype atMost) {
    if (text.size() <= atMost) return text.toString();
    // Never half a character (a surrogate pair, a flag, an emoji and its modifier).
    return text.left(Text::characterStart(text, atMost)).toString() + QChar(0x2026);
}

QString elided(const QFontMetricsF& metrics, QStringView text, qreal width) {
    return elidedFromStart(metrics, text, width);
}

QString elided(const QFontMetrics& metrics, QStringView text, int width) {
    return elidedFromStart(metrics, text, width);
}

} // namespace mivora::OneLine
