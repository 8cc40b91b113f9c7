#include "MivoraUI/Kit/KitStyle.h"

#include "MivoraUI/Kit/UI.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace mivora {

namespace {
constexpr int fieldPadding = 6; // beside the text, inside the outline
} // namespace

void KitStyle::install() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    if (qobject_cast<KitStyle*>(QApplication::style())) return;
    // The proxy owns its base: a fresh copy of the style in use.
    QApplication::setStyle(new KitStyle(QStyleFactory::create(QApplication::style()->name())));
}

void KitStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const {
    // A line edit without a frame sits inside a field of its own (the search field): left as it is.
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    const bool field = qobject_cast<const QLineEdit*>(widget) && frame && frame->lineWidth > 0;
    if (field && element == PE_FrameLineEdit) return; // the panel draws the outline
    if (!field || element != PE_PanelLineEdit)
        return QProxyStyle::drawPrimitive(element, option, painter, widget);

    const QPalette& palette = option->palette;
    const bool focused = option->state & State_HasFocus;
    const bool enabled = option->state & State_Enabled;
    const QRectF box = QRectF(option->rect).adjusted(1, 1, -1, -1);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    QColor fill = palette.color(QPalette::Base);
    if (!enabled) fill.setAlphaF(fill.alphaF() * 0.5f);
    painter->setBrush(fill);
    painter->drawRoundedRect(box, fieldRadius, fieldRadius);
    QColor line = UI::primary(palette);
    line.setAlphaF(0.18f);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(line, 1));
    painter->drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), fieldRadius - 0.5, fieldRadius - 0.5);
    if (focused && enabled) {
        QColor ring = UI::accent(palette);
        ring.setAlphaF(0.55f);
        painter->setPen(QPen(ring, 2));
        painter->drawRoundedRect(box, fieldRadius, fieldRadius);
    }
    painter->restore();
}

QRect KitStyle::subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const {
    QRect rect = QProxyStyle::subElementRect(element, option, widget);
    const auto* edit = qobject_cast<const QLineEdit*>(widget);
    if (element == SE_LineEditContents && edit && edit->hasFrame())
        rect.adjust(fieldPadding - 2, 0, -(fieldPadding - 2), 0);
    return rect;
}

QSize KitStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                 const QWidget* widget) const {
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    const auto* edit = qobject_cast<const QLineEdit*>(widget);
    if (type == CT_LineEdit && edit && edit->hasFrame()) result += QSize(2 * (fieldPadding - 2), 6);
    return result;
}

} // namespace mivora
