#include "MivoraUI/SuggestChip.h"

#include <QPainter>
#include <QPainterPath>

namespace mivora {

namespace {

constexpr int padding = 10;
constexpr int spacing = 7;
constexpr int iconWidth = 10;
const QString capText = QStringLiteral("⇥");
const QColor fill = QColor::fromRgbF(0.10f, 0.10f, 0.11f);
const QColor orange(255, 149, 0);

QColor white(double opacity) {
    QColor c(Qt::white);
    c.setAlphaF(float(opacity));
    return c;
}

QFont makeFont(double points, QFont::Weight weight) {
    QFont f;
    f.setPointSizeF(points);
    f.setWeight(weight);
    return f;
}

} // namespace

SuggestChip::SuggestChip(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void SuggestChip::setOffer(const SuggestController::Offer& offer) {
    offer_ = offer;
    resize(sizeHint());
    update();
}

QFont SuggestChip::titleFont() const {
    return makeFont(12, QFont::DemiBold);
}

QFont SuggestChip::previewFont() const {
    return makeFont(12, QFont::Normal);
}

QFont SuggestChip::capFont() const {
    return makeFont(10.5, QFont::DemiBold);
}

QString SuggestChip::shownPreview() const {
    if (offer_.armed) return armedHint;
    QString line = offer_.preview;
    line.replace('\n', ' ');
    return QFontMetrics(previewFont()).elidedText(line, Qt::ElideRight, maxPreviewWidth);
}

QSize SuggestChip::sizeHint() const {
    const int title = QFontMetrics(titleFont()).horizontalAdvance(offer_.title);
    const int preview = QFontMetrics(previewFont()).horizontalAdvance(shownPreview());
    const int cap = QFontMetrics(capFont()).horizontalAdvance(capText) + 10;
    return {padding + iconWidth + spacing + title + spacing + preview + spacing + cap + padding, chipHeight};
}

void SuggestChip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
    const double radius = capsule.height() / 2;
    p.setPen(QPen(white(0.10), 0.5));
    p.setBrush(fill);
    p.drawRoundedRect(capsule, radius, radius);

    double x = padding;
    const double mid = chipHeight / 2.0;
    // Icon: a lock for a secret, a bolt otherwise.
    p.setPen(Qt::NoPen);
    if (offer_.sensitive) {
        p.setBrush(orange);
        p.drawRoundedRect(QRectF(x, mid - 1, 10, 7), 1.5, 1.5);
        p.setPen(QPen(orange, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(x + 2, mid - 6, 6, 8), 0, 180 * 16);
    } else {
        QPainterPath bolt;
        bolt.moveTo(x + 6, mid - 6);
        bolt.lineTo(x + 1, mid + 1);
        bolt.lineTo(x + 5, mid + 1);
        bolt.lineTo(x + 4, mid + 6);
        bolt.lineTo(x + 9, mid - 1);
        bolt.lineTo(x + 5, mid - 1);
        bolt.closeSubpath();
        p.fillPath(bolt, white(0.80));
    }
    x += iconWidth + spacing;

    const auto text = [&](const QString& s, const QFont& f, const QColor& c) {
        p.setFont(f);
        p.setPen(c);
        const int w = QFontMetrics(f).horizontalAdvance(s);
        p.drawText(QRectF(x, 0, w, chipHeight), Qt::AlignVCenter | Qt::AlignLeft, s);
        x += w + spacing;
    };
    text(offer_.title, titleFont(), Qt::white);
    text(shownPreview(), previewFont(), offer_.armed ? orange : white(0.55));

    const QFontMetrics capMetrics(capFont());
    const QRectF cap(x, mid - capMetrics.height() / 2.0 - 1.5, capMetrics.horizontalAdvance(capText) + 10,
                     capMetrics.height() + 3);
    p.setPen(Qt::NoPen);
    p.setBrush(white(0.14));
    p.drawRoundedRect(cap, 4, 4);
    p.setFont(capFont());
    p.setPen(white(0.75));
    p.drawText(cap, Qt::AlignCenter, capText);
}

} // namespace mivora
