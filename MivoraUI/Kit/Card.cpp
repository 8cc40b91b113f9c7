#include "MivoraUI/Kit/Card.h"

#include "MivoraUI/Kit/UI.h"

#include <QPainter>
#include <QVBoxLayout>

namespace mivora {

Card::Card(QWidget* content, double radius, double padding, QWidget* parent)
    : QWidget(parent), radius_(radius) {
    auto* layout = new QVBoxLayout(this);
    const int pad = qRound(padding);
    layout->setContentsMargins(pad, pad, pad, pad);
    layout->setSpacing(0);
    if (content) layout->addWidget(content);
}

Card* card(QWidget* content, double radius, double padding) {
    return new Card(content, radius, padding);
}

void Card::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    painter.setPen(Qt::NoPen);
    painter.setBrush(UI::card(palette()));
    painter.drawRoundedRect(r, radius_, radius_);
    // The border runs half its width inside the edge, so it lies wholly within the panel.
    QPen pen(UI::stroke(palette()), 0.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const double r2 = std::max(0.0, radius_ - 0.25);
    painter.drawRoundedRect(r.adjusted(0.25, 0.25, -0.25, -0.25), r2, r2);
}

} // namespace mivora
