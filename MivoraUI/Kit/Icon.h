#pragma once

#include <QColor>
#include <QStringList>

class QPainter;
class QRectF;

namespace mivora {

// Our own line icons, one distinct drawing per symbol name the windows use ("checkmark", "lock.fill",
// "waveform.circle", ...). Drawn from painter paths, so they scale to any size and take any colour.
namespace Icon {

bool has(const QString& name);
QStringList names();

// Draws the icon centred in `box` (it keeps its square shape). `weight` thickens the lines (1 regular,
// about 1.3 semibold, 1.6 heavy). An unknown name draws nothing.
void paint(QPainter& painter, const QString& name, const QRectF& box, const QColor& color,
           double weight = 1.0);

} // namespace Icon

} // namespace mivora
