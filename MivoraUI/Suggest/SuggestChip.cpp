#include "MivoraUI/Suggest/SuggestChip.h"

#include "MivoraUI/HUD/HUDPill.h"
#include "MivoraUI/Kit/Icon.h"
#include "MivoraUI/Kit/UI.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace mivora {

namespace {

constexpr double padding = 10;
constexpr double spacing = 7;
constexpr double iconSide = 12; // a symbol set at 10 points
constexpr double capPadding = 5;
const QString capText = QStringLiteral("⇥");

QColor white(double opacity) {
    return QColor::fromRgbF(1, 1, 1, float(opacity));
}

QFont titleFont() {
    return UI::font(12, QFont::DemiBold);
}

QFont previewFont() {
    return UI::font(12);
}

QFont capFont() {
    return UI::font(10.5, QFont::DemiBold);
}

double advance(const QFont& font, const QString& text) {
    return QFontMetricsF(font).horizontalAdvance(text);
}

} // namespace

SuggestChip::SuggestChip(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SuggestChip::setOffer(const SuggestController::Offer& offer) {
    offer_ = offer;
    resize(sizeHint());
    update();
}

QString SuggestChip::shownPreview() const {
    if (offer_.armed) return armedHint;
    QString line = offer_.preview;
    line.replace('\n', ' ');
    return QFontMetrics(previewFont()).elidedText(line, Qt::ElideRight, maxPreviewWidth);
}

QSize SuggestChip::sizeHint() const {
    const double cap = advance(capFont(), capText) + 2 * capPadding;
    const double content = iconSide + spacing + advance(titleFont(), offer_.title) + spacing +
                           advance(previewFont(), shownPreview()) + spacing + cap;
    return {int(std::ceil(padding + content + padding)), chipHeight};
}

void SuggestChip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule = rect();
    const double radius = capsule.height() / 2;
    QPainterPath shape;
    shape.addRoundedRect(capsule, radius, radius);
    p.fillPath(shape, HUDPill::fill());
    p.setClipPath(shape);

    const double mid = chipHeight / 2.0;
    double x = padding;
    Icon::paint(p, offer_.sensitive ? QStringLiteral("lock.fill") : QStringLiteral("bolt.fill"),
                QRectF(x, mid - iconSide / 2, iconSide, iconSide),
                offer_.sensitive ? UI::orange() : white(0.8), 1.4);
    x += iconSide + spacing;

    const auto text = [&](const QString& s, const QFont& f, const QColor& c) {
        const double w = advance(f, s);
        p.setFont(f);
        p.setPen(c);
        p.drawText(QRectF(x, 0, w + 1, chipHeight), Qt::AlignVCenter | Qt::AlignLeft, s);
        x += w + spacing;
    };
    text(offer_.title, titleFont(), Qt::white);
    text(shownPreview(), previewFont(), offer_.armed ? UI::orange() : white(0.55));

    const QFontMetricsF capMetrics(capFont());
    const QRectF cap(x, mid - capMetrics.height() / 2 - 1.5,
                     capMetrics.horizontalAdvance(capText) + 2 * capPadding, capMetrics.height() + 3);
    p.setPen(Qt::NoPen);
    p.setBrush(white(0.14));
    p.drawRoundedRect(cap, 4, 4);
    p.setFont(capFont());
    p.setPen(white(0.75));
    p.drawText(cap, Qt::AlignCenter, capText);

    // The hairline border lies inside the capsule's edge.
    p.setClipping(false);
    p.setPen(QPen(white(0.10), 0.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(capsule.adjusted(0.25, 0.25, -0.25, -0.25), radius - 0.25, radius - 0.25);
}

} // namespace mivora
