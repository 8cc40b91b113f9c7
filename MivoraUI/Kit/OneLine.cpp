#include "MivoraUI/Kit/OneLine.h"

#include "Support/Text.h"

namespace mivora::OneLine {

QString prefix(QStringView text) {
    if (text.size() <= shownAtMost) return text.toString();
    // The window ends on a whole code point; its last character may still be cut short (a flag's first
    // half, an emoji without its modifier): it goes, and the ellipsis takes its place.
    QStringView window = text.left(shownAtMost);
    if (window.back().isHighSurrogate()) window.chop(1);
    return Text::prefix(window, Text::graphemeCount(window) - 1) + QChar(0x2026);
}

QString elided(const QFontMetricsF& metrics, QStringView text, qreal width) {
    return metrics.elidedText(prefix(text), Qt::ElideRight, width);
}

QString elided(const QFontMetrics& metrics, QStringView text, int width) {
    return metrics.elidedText(prefix(text), Qt::ElideRight, width);
}

} // namespace mivora::OneLine
