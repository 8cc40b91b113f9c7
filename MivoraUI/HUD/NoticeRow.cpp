#include "MivoraUI/HUD/NoticeRow.h"

#include "MivoraUI/Kit/Icon.h"
#include "MivoraUI/Kit/UI.h"

#include <QPainter>

namespace mivora {

namespace {
constexpr int iconSide = 16;
constexpr int spacing = 8;
QFont textFont() {
    return UI::font(13, QFont::Medium);
}
} // namespace

NoticeRow::NoticeRow(const QString& text, bool isError, int maxWidth, QWidget* parent)
    : QWidget(parent), isError_(isError) {
    setAttribute(Qt::WA_TranslucentBackground);
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    shown_ = QFontMetrics(textFont()).elidedText(line, Qt::ElideRight, maxWidth - iconSide - spacing);
    setFixedSize(sizeHint());
}

QSize NoticeRow::sizeHint() const {
    const QFontMetrics fm(textFont());
    return {iconSide + spacing + fm.horizontalAdvance(shown_), std::max(iconSide, fm.height())};
}

void NoticeRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor iconColor =
        isError_ ? QColor::fromRgbF(1.0f, 0.62f, 0.25f) : QColor::fromRgbF(1, 1, 1, 0.7f);
    Icon::paint(painter,
                isError_ ? QStringLiteral("exclamationmark.circle.fill") : QStringLiteral("doc.on.clipboard"),
                QRectF(0, (height() - iconSide) / 2.0, iconSide, iconSide), iconColor, 1.3);
    painter.setFont(textFont());
    painter.setPen(Qt::white);
    painter.drawText(QRect(iconSide + spacing, 0, width() - iconSide - spacing, height()),
                     Qt::AlignLeft | Qt::AlignVCenter, shown_);
}

} // namespace mivora
