#pragma once

#include "MivoraUI/Kit/Spring.h"

#include <QColor>
#include <QFont>

class QPainter;
class QPalette;
class QRectF;
class QPointF;

namespace mivora {

class Defaults;

// The design tokens every window draws with. Colours that differ between light and dark take the palette
// being drawn with and are resolved at paint time, so a switch of appearance shows on the next repaint.
// Sizes throughout the kit are in points, drawn as device-independent pixels.
namespace UI {

// Dark when the palette's window colour is dark; light in every other case.
bool isDark(const QPalette& palette);

QColor accent(const QPalette& palette);   // fill of primary controls and highlighted keys, focus ring
QColor onAccent(const QPalette& palette); // text and symbols drawn on the accent
QColor card(const QPalette& palette);     // fill of cards
QColor primary(const QPalette& palette);  // the primary foreground: dark on light, light on dark
QColor stroke(const QPalette& palette);   // hairline borders of cards and keys
QColor green();                           // success and readiness marks
QColor orange();
// The colour `t` of the way from `a` to `b` (0 gives a, 1 gives b), alpha included.
QColor mix(const QColor& a, const QColor& b, double t);

inline constexpr Spring smooth{0.3, 1.0};
inline constexpr Spring snappy{0.26, 0.8};
inline constexpr Spring page{0.42, 0.9};

// The interface font at `size` points.
QFont font(double size, QFont::Weight weight = QFont::Normal);

// The reduce-motion setting (user default "reduceMotion", off when absent): motion becomes short fades.
bool reduceMotion(const Defaults& defaults);

// A soft shadow under a rounded rectangle: `blur` is the spread in points, `offset` moves it.
void paintShadow(QPainter& painter, const QRectF& rect, double cornerRadius, double blur, const QColor& color,
                 const QPointF& offset);

} // namespace UI

} // namespace mivora
