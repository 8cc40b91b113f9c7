#include "MivoraUI/Kit/Icon.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <functional>
#include <map>
#include <numbers>

namespace mivora::Icon {

namespace {

// One icon on a 20 x 20 grid: lines are stroked, shapes are filled (odd-even, so holes cut through).
struct Glyph {
    QPainterPath lines;
    QPainterPath shapes;
};

QPainterPath polyline(std::initializer_list<QPointF> points) {
    QPainterPath p;
    auto it = points.begin();
    p.moveTo(*it);
    for (++it; it != points.end(); ++it)
        p.lineTo(*it);
    return p;
}

QPainterPath polygon(std::initializer_list<QPointF> points) {
    QPainterPath p = polyline(points);
    p.closeSubpath();
    return p;
}

// Both paths in one (not their union: odd-even filling lets an inner shape cut through an outer one).
QPainterPath both(QPainterPath a, const QPainterPath& b) {
    a.addPath(b);
    return a;
}

QPainterPath circle(QPointF c, double r) {
    QPainterPath p;
    p.addEllipse(c, r, r);
    return p;
}

QPainterPath rounded(QRectF r, double radius) {
    QPainterPath p;
    p.addRoundedRect(r, radius, radius);
    return p;
}

QPainterPath sparkle(QPointF c, double r) {
    const double k = r * 0.22;
    return polygon({c + QPointF(0, -r), c + QPointF(k, -k), c + QPointF(r, 0), c + QPointF(k, k),
                    c + QPointF(0, r), c + QPointF(-k, k), c + QPointF(-r, 0), c + QPointF(-k, -k)});
}

QPainterPath waveBars(QPointF c, double scale) {
    QPainterPath p;
    const double heights[] = {0.35, 0.75, 1.0, 0.75, 0.35};
    for (int i = 0; i < 5; ++i) {
        const double x = c.x() + (i - 2) * 3.5 * scale;
        const double h = heights[i] * 7 * scale;
        p.addPath(polyline({{x, c.y() - h}, {x, c.y() + h}}));
    }
    return p;
}

// The exclamation mark's bar and dot as shapes, for cutting or filling.
QPainterPath exclamation(QPointF top, double length) {
    QPainterPath p = rounded(QRectF(top.x() - 1, top.y(), 2, length), 1);
    p.addPath(circle(QPointF(top.x(), top.y() + length + 2.3), 1.15));
    return p;
}

QPainterPath magnifier() {
    QPainterPath p = circle({8.5, 8.5}, 5.5);
    p.addPath(polyline({{12.6, 12.6}, {17, 17}}));
    return p;
}

// A cloud outline across the lower two thirds of the grid.
QPainterPath cloud() {
    QPainterPath p;
    p.moveTo(5.5, 15.5);
    p.cubicTo(3.2, 15.5, 2, 13.8, 2, 12.2);
    p.cubicTo(2, 10.4, 3.4, 9.1, 5.1, 9.1);
    p.cubicTo(5.6, 6.6, 7.6, 5, 10.1, 5);
    p.cubicTo(12.8, 5, 14.8, 6.9, 15.1, 9.3);
    p.cubicTo(16.8, 9.5, 18, 10.8, 18, 12.5);
    p.cubicTo(18, 14.2, 16.7, 15.5, 15, 15.5);
    p.closeSubpath();
    return p;
}

// An arc of the circle of radius 6 around the centre, counter-clockwise from `start` degrees.
QPainterPath circleArc(double start, double sweep) {
    const QRectF box(4, 4, 12, 12);
    QPainterPath p;
    p.arcMoveTo(box, start);
    p.arcTo(box, start, sweep);
    return p;
}

// An arrowhead on that circle at `angle` degrees, pointing counter-clockwise.
QPainterPath arcHead(double angle) {
    const double a = angle * std::numbers::pi / 180;
    const QPointF at(10 + 6 * std::cos(a), 10 - 6 * std::sin(a));
    const QPointF along(-std::sin(a), -std::cos(a));
    const QPointF out(std::cos(a), -std::sin(a));
    return polygon({at + along * 2.8, at + out * 2.5, at - out * 2.5});
}

QPainterPath gear() {
    QPainterPath p;
    constexpr int teeth = 8;
    for (int i = 0; i < teeth * 4; ++i) {
        const double a = (i - 0.5) * 2 * std::numbers::pi / (teeth * 4);
        const double r = (i % 4 < 2) ? 8 : 6.2;
        const QPointF pt(10 + r * std::cos(a), 10 + r * std::sin(a));
        i == 0 ? p.moveTo(pt) : p.lineTo(pt);
    }
    p.closeSubpath();
    p.addPath(circle({10, 10}, 2.6));
    return p;
}

const std::map<QString, std::function<Glyph()>>& glyphs() {
    static const std::map<QString, std::function<Glyph()>> table{
        {"checkmark",
         [] {
             return Glyph{polyline({{4, 10.5}, {8.2, 14.5}, {16, 5.5}}), {}};
         }},
        {"plus",
         [] {
             return Glyph{both(polyline({{10, 3.5}, {10, 16.5}}), polyline({{3.5, 10}, {16.5, 10}})), {}};
         }},
        {"lock.fill",
         [] {
             QPainterPath shackle;
             shackle.moveTo(6.5, 9);
             shackle.lineTo(6.5, 6.5);
             shackle.arcTo(QRectF(6.5, 3, 7, 7), 180, -180);
             shackle.lineTo(13.5, 9);
             return Glyph{shackle, rounded(QRectF(4.5, 9, 11, 8.5), 1.8)};
         }},
        {"exclamationmark.circle.fill",
         [] {
             return Glyph{{}, both(circle({10, 10}, 8), exclamation({10, 5}, 6.2))};
         }},
        {"exclamationmark.circle",
         [] {
             return Glyph{circle({10, 10}, 7.5), exclamation({10, 5.2}, 5.8)};
         }},
        {"exclamationmark.triangle",
         [] {
             return Glyph{polygon({{10, 2.8}, {18, 16.8}, {2, 16.8}}), exclamation({10, 7.3}, 4.6)};
         }},
        {"arrow.triangle.2.circlepath",
         [] {
             return Glyph{both(circleArc(35, 100), circleArc(215, 100)), both(arcHead(135), arcHead(315))};
         }},
        {"checkmark.icloud",
         [] {
             return Glyph{both(cloud(), polyline({{7.4, 11.4}, {9.3, 13.1}, {12.7, 9.4}})), {}};
         }},
        {"exclamationmark.icloud",
         [] {
             return Glyph{cloud(), exclamation({10, 7.8}, 3.3)};
         }},
        {"icloud.slash",
         [] {
             return Glyph{both(cloud(), polyline({{3.5, 3.5}, {16.5, 17.5}})), {}};
         }},
        {"doc.on.clipboard",
         [] {
             QPainterPath lines = rounded(QRectF(4, 4, 12, 14), 2);
             lines.addPath(rounded(QRectF(7.3, 2.5, 5.4, 3), 1));
             lines.addPath(polyline({{7, 10}, {13, 10}}));
             lines.addPath(polyline({{7, 13.5}, {11, 13.5}}));
             return Glyph{lines, {}};
         }},
        {"doc.on.doc",
         [] {
             QPainterPath lines = rounded(QRectF(7, 6, 10, 12), 2);
             lines.addPath(polyline({{4, 14}, {3, 14}, {3, 2.5}, {12, 2.5}, {12, 4}}));
             return Glyph{lines, {}};
         }},
        {"waveform",
         [] {
             return Glyph{waveBars({10, 10}, 1.0), {}};
         }},
        {"waveform.circle",
         [] {
             return Glyph{both(circle({10, 10}, 8), waveBars({10, 10}, 0.55)), {}};
         }},
        {"waveform.circle.fill",
         [] {
             QPainterPath bars;
             const double heights[] = {1.6, 3.6, 5.2, 3.6, 1.6};
             for (int i = 0; i < 5; ++i)
                 bars.addPath(
                     rounded(QRectF(10 + (i - 2) * 2.6 - 0.8, 10 - heights[i], 1.6, 2 * heights[i]), 0.8));
             return Glyph{{}, both(circle({10, 10}, 8.5), bars)};
         }},
        {"sparkle",
         [] {
             return Glyph{{}, sparkle({10, 10}, 8)};
         }},
        {"magnifyingglass",
         [] {
             return Glyph{magnifier(), {}};
         }},
        {"sparkle.magnifyingglass",
         [] {
             return Glyph{magnifier(), sparkle({8.5, 8.5}, 3.2)};
         }},
        {"globe",
         [] {
             QPainterPath lines = circle({10, 10}, 7.5);
             QPainterPath meridian;
             meridian.addEllipse(QPointF(10, 10), 3.3, 7.5);
             lines.addPath(meridian);
             lines.addPath(polyline({{2.5, 10}, {17.5, 10}}));
             lines.addPath(polyline({{4, 6}, {16, 6}}));
             lines.addPath(polyline({{4, 14}, {16, 14}}));
             return Glyph{lines, {}};
         }},
        {"shift",
         [] {
             return Glyph{
                 polygon({{10, 3}, {17, 10.5}, {13, 10.5}, {13, 16.5}, {7, 16.5}, {7, 10.5}, {3, 10.5}}), {}};
         }},
        {"arrow.right",
         [] {
             return Glyph{both(polyline({{3, 10}, {16, 10}}), polyline({{11, 5}, {16, 10}, {11, 15}})), {}};
         }},
        {"arrow.right.to.line",
         [] {
             QPainterPath lines = polyline({{2.5, 10}, {13, 10}});
             lines.addPath(polyline({{8.8, 5.8}, {13, 10}, {8.8, 14.2}}));
             lines.addPath(polyline({{16.8, 4}, {16.8, 16}}));
             return Glyph{lines, {}};
         }},
        {"bolt.fill",
         [] {
             return Glyph{
                 {}, polygon({{11.5, 1.5}, {4, 11.5}, {9.3, 11.5}, {8.5, 18.5}, {16, 8.3}, {10.7, 8.3}})};
         }},
        {"house",
         [] {
             QPainterPath lines = polyline({{2.5, 10}, {10, 3}, {17.5, 10}});
             lines.addPath(polyline({{5, 8}, {5, 17}, {15, 17}, {15, 8}}));
             lines.addPath(polyline({{8.5, 17}, {8.5, 12.5}, {11.5, 12.5}, {11.5, 17}}));
             return Glyph{lines, {}};
         }},
        {"graduationcap",
         [] {
             QPainterPath lines = polygon({{10, 4}, {18.5, 8}, {10, 12}, {1.5, 8}});
             QPainterPath cap;
             cap.moveTo(5.5, 10);
             cap.lineTo(5.5, 13.5);
             cap.cubicTo(7.5, 16.5, 12.5, 16.5, 14.5, 13.5);
             cap.lineTo(14.5, 10);
             lines.addPath(cap);
             lines.addPath(polyline({{18.5, 8}, {18.5, 13}}));
             return Glyph{lines, {}};
         }},
        {"tray",
         [] {
             return Glyph{both(polygon({{3, 11},
                                        {7, 11},
                                        {8, 13.5},
                                        {12, 13.5},
                                        {13, 11},
                                        {17, 11},
                                        {17, 16.5},
                                        {3, 16.5}}),
                               polyline({{3, 11}, {5, 4.5}, {15, 4.5}, {17, 11}})),
                          {}};
         }},
        {"tray.full",
         [] {
             QPainterPath lines = polygon(
                 {{3, 11}, {7, 11}, {8, 13.5}, {12, 13.5}, {13, 11}, {17, 11}, {17, 16.5}, {3, 16.5}});
             lines.addPath(polyline({{3, 11}, {5, 4.5}, {15, 4.5}, {17, 11}}));
             lines.addPath(polyline({{7, 7}, {13, 7}}));
             lines.addPath(polyline({{6.3, 9}, {13.7, 9}}));
             return Glyph{lines, {}};
         }},
        {"gearshape",
         [] {
             return Glyph{gear(), {}};
         }},
        {"lightbulb",
         [] {
             QPainterPath bulb;
             bulb.moveTo(7.5, 13.5);
             bulb.cubicTo(3, 10, 4.5, 2.5, 10, 2.5);
             bulb.cubicTo(15.5, 2.5, 17, 10, 12.5, 13.5);
             bulb.closeSubpath();
             bulb.addPath(polyline({{7.5, 15.8}, {12.5, 15.8}}));
             bulb.addPath(polyline({{8.5, 18}, {11.5, 18}}));
             return Glyph{bulb, {}};
         }},
        {"internaldrive",
         [] {
             return Glyph{rounded(QRectF(2.5, 6, 15, 8), 2), circle({14, 10}, 1)};
         }},
        {"text.cursor",
         [] {
             QPainterPath lines = polyline({{10, 3.5}, {10, 16.5}});
             lines.addPath(polyline({{7, 3}, {8.5, 3.5}, {11.5, 3.5}, {13, 3}}));
             lines.addPath(polyline({{7, 17}, {8.5, 16.5}, {11.5, 16.5}, {13, 17}}));
             return Glyph{lines, {}};
         }},
        {"apple.logo",
         [] {
             QPainterPath fruit;
             fruit.moveTo(10, 6.5);
             fruit.cubicTo(14, 4.5, 17.5, 7, 16.5, 11.5);
             fruit.cubicTo(15.5, 16, 13, 18.5, 10, 17);
             fruit.cubicTo(7, 18.5, 4.5, 16, 3.5, 11.5);
             fruit.cubicTo(2.5, 7, 6, 4.5, 10, 6.5);
             fruit.closeSubpath();
             QPainterPath leaf;
             leaf.moveTo(10, 5.5);
             leaf.cubicTo(10, 3, 11.5, 1.8, 13.5, 1.5);
             leaf.cubicTo(13.5, 3.5, 12, 5, 10, 5.5);
             return Glyph{{}, both(fruit, leaf)};
         }},
    };
    return table;
}

} // namespace

bool has(const QString& name) {
    return glyphs().contains(name);
}

QStringList names() {
    QStringList out;
    for (const auto& [name, _] : glyphs())
        out << name;
    return out;
}

void paint(QPainter& painter, const QString& name, const QRectF& box, const QColor& color, double weight) {
    const auto it = glyphs().find(name);
    if (it == glyphs().end()) return;
    const Glyph g = it->second();
    const double side = std::min(box.width(), box.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.center().x() - side / 2, box.center().y() - side / 2);
    painter.scale(side / 20, side / 20);
    if (!g.lines.isEmpty()) {
        painter.setPen(QPen(color, 1.6 * weight, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(g.lines);
    }
    if (!g.shapes.isEmpty()) {
        QPainterPath shapes = g.shapes;
        shapes.setFillRule(Qt::OddEvenFill);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawPath(shapes);
    }
    painter.restore();
}

} // namespace mivora::Icon
