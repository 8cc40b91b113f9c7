#include "MivoraUI/Kit/KeyCombo.h"

#include "MivoraUI/Kit/UI.h"
#include "Platform/PlatformWords.h"

#include <QPainter>

namespace mivora {

namespace {

constexpr double spacing = 4;
const QString plus = QStringLiteral("+");

QStringList capTexts(const QStringList& keys) {
    QStringList texts;
    for (const QString& key : keys)
        texts << PlatformWords::keyCap(key);
    return texts;
}

QFont chipFont() {
    return UI::font(11, QFont::DemiBold);
}
QFont plusFont() {
    return UI::font(10, QFont::Medium);
}
double chipHeight() {
    return QFontMetricsF(chipFont()).height() + 4;
}

} // namespace

KeyCombo::KeyCombo(const QStringList& keys, QWidget* parent) : QWidget(parent), keys_(capTexts(keys)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text());
}

QString KeyCombo::text() const {
    QString out;
    for (qsizetype i = 0; i < keys_.size(); ++i)
        out += (i > 0 ? QLatin1Char(' ') + plus + QLatin1Char(' ') : QString()) + keys_[i];
    return out;
}

QList<QRectF> KeyCombo::chipRects() const {
    QList<QRectF> out;
    const QFontMetricsF chip(chipFont());
    const double plusWidth = QFontMetricsF(plusFont()).horizontalAdvance(plus);
    double x = 0;
    for (qsizetype i = 0; i < keys_.size(); ++i) {
        if (i > 0) x += plusWidth + spacing;
        const double w = chip.horizontalAdvance(keys_[i]) + 12;
        out.append(QRectF(x, 0, w, chipHeight()));
        x += w + spacing;
    }
    return out;
}

QSize KeyCombo::sizeHint() const {
    const QList<QRectF> chips = chipRects();
    if (chips.isEmpty()) return {0, 0};
    return QSizeF(chips.last().right(), chipHeight()).toSize();
}

void KeyCombo::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const QList<QRectF> chips = chipRects();
    QColor fill = UI::primary(pal);
    fill.setAlphaF(0.07f);
    QColor ink = UI::primary(pal);
    ink.setAlphaF(0.85f);
    QColor tertiary = UI::primary(pal);
    tertiary.setAlphaF(0.3f);
    for (qsizetype i = 0; i < chips.size(); ++i) {
        const QRectF r = chips[i];
        if (i > 0) {
            painter.setFont(plusFont());
            painter.setPen(tertiary);
            painter.drawText(QRectF(chips[i - 1].right() + spacing, 0,
                                    r.left() - chips[i - 1].right() - 2 * spacing, r.height()),
                             Qt::AlignCenter, plus);
        }
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(r, 5, 5);
        painter.setPen(QPen(UI::stroke(pal), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 4.5, 4.5);
        painter.setFont(chipFont());
        painter.setPen(ink);
        painter.drawText(r, Qt::AlignCenter, keys_[i]);
    }
}

} // namespace mivora
