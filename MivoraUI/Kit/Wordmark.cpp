#include "MivoraUI/Kit/Wordmark.h"

#include "MivoraUI/Kit/UI.h"

#include <QPainter>

namespace mivora {

Wordmark::Wordmark(double size, QWidget* parent) : QWidget(parent) {
    // DejaVu Sans (fonts-dejavu-core) stands in for the brand face on every desktop we ship to.
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(std::max(1, qRound(size)));
    f.setWeight(QFont::DemiBold);
    f.setLetterSpacing(QFont::AbsoluteSpacing, -0.02 * size);
    setFont(f);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QString Wordmark::text() {
    return QStringLiteral("Veskel");
}

QSize Wordmark::sizeHint() const {
    const QFontMetricsF fm(font());
    return QSizeF(fm.horizontalAdvance(text()) + 1, fm.height()).toSize();
}

void Wordmark::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font());
    painter.setPen(UI::primary(palette()));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
}

} // namespace mivora
