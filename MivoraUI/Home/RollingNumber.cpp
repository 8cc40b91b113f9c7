#include "MivoraUI/Home/RollingNumber.h"

#include "MivoraUI/Kit/UI.h"

#include <QPainter>

namespace mivora {

RollingNumber::RollingNumber(QFont font, QWidget* parent) : QWidget(parent), to_(QStringLiteral("0")) {
    setFont(font);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&progress_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

void RollingNumber::setValue(qint64 value) {
    const QString text = QString::number(value);
    if (text == to_) return;
    from_ = to_;
    to_ = text;
    updateGeometry();
    if (isVisible()) {
        progress_.jumpTo(0.0);
        progress_.springTo(1.0, UI::snappy);
    } else {
        progress_.jumpTo(1.0);
    }
    update();
}

// Every digit takes the width of the widest one, so figures do not shift as they change.
double RollingNumber::cell() const {
    const QFontMetricsF fm(font());
    double widest = 0;
    for (char d = '0'; d <= '9'; ++d)
        widest = std::max(widest, fm.horizontalAdvance(QChar(d)));
    return widest;
}

QSize RollingNumber::sizeHint() const {
    return QSizeF(cell() * double(to_.size()), QFontMetricsF(font()).height()).toSize() + QSize(1, 0);
}

void RollingNumber::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font());
    painter.setClipRect(rect());
    const double p = std::clamp(progress_.value().toDouble(), 0.0, 1.0);
    const double w = cell();
    const double h = height();
    const QColor ink = palette().color(QPalette::WindowText);
    // Both values are aligned on their last digit and drawn from the left edge.
    const qsizetype columns = to_.size();
    const QString from = from_.size() > columns ? from_.right(columns) : from_.rightJustified(columns, ' ');
    for (qsizetype i = 0; i < columns; ++i) {
        const QRectF box(w * double(i), 0, w, h);
        const QChar now = to_[i];
        const QChar before = p < 1 ? from[i] : now;
        if (before == now) {
            painter.setOpacity(1);
            painter.setPen(ink);
            painter.drawText(box, Qt::AlignCenter, QString(now));
            continue;
        }
        painter.setPen(ink);
        painter.setOpacity(1 - p);
        painter.drawText(box.translated(0, -h * p), Qt::AlignCenter, QString(before));
        painter.setOpacity(p);
        painter.drawText(box.translated(0, h * (1 - p)), Qt::AlignCenter, QString(now));
    }
}

} // namespace mivora
