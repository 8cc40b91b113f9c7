#include "MivoraUI/Tutorial/LessonTabs.h"

#include "MivoraUI/Kit/Icon.h"
#include "MivoraUI/Kit/UI.h"

#include <QMouseEvent>
#include <QPainter>

namespace mivora {

namespace {

constexpr double barPadding = 4;
constexpr double tabSpacing = 6;
constexpr double hPadding = 12;
constexpr double vPadding = 6;
constexpr double symbolSide = 11;
constexpr double symbolGap = 6;

QFont titleFont() {
    return UI::font(12.5, QFont::Medium);
}

double tabHeight() {
    return std::max(symbolSide, QFontMetricsF(titleFont()).height()) + 2 * vPadding;
}

} // namespace

LessonTabs::LessonTabs(Lesson selected, QWidget* parent)
    : QWidget(parent), selected_(selected), glide_(QRectF()) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    glide_.jumpTo(tabRect(selected));
    connect(&glide_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

double LessonTabs::tabWidth(Lesson lesson) const {
    return 2 * hPadding + symbolSide + symbolGap +
           QFontMetricsF(titleFont()).horizontalAdvance(Lessons::title(lesson));
}

QRectF LessonTabs::tabRect(Lesson lesson) const {
    double x = barPadding;
    for (Lesson l : Lessons::all) {
        if (l == lesson) break;
        x += tabWidth(l) + tabSpacing;
    }
    return QRectF(x, barPadding, tabWidth(lesson), tabHeight());
}

QSize LessonTabs::sizeHint() const {
    const QRectF last = tabRect(Lessons::all.back());
    return QSizeF(last.right() + barPadding, last.bottom() + barPadding).toSize();
}

void LessonTabs::setSelected(Lesson lesson) {
    if (lesson == selected_) return;
    selected_ = lesson;
    glide_.springTo(tabRect(lesson), UI::smooth);
    update();
}

void LessonTabs::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    for (Lesson lesson : Lessons::all)
        if (tabRect(lesson).contains(event->position())) {
            emit chosen(lesson);
            return;
        }
}

void LessonTabs::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    QColor track = UI::primary(pal);
    track.setAlphaF(0.05f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(track);
    const QRectF bar = QRectF(QPointF(), QSizeF(sizeHint()));
    painter.drawRoundedRect(bar, bar.height() / 2, bar.height() / 2);

    const QRectF glide = selectionRect();
    painter.setBrush(UI::accent(pal));
    painter.drawRoundedRect(glide, glide.height() / 2, glide.height() / 2);

    painter.setFont(titleFont());
    for (Lesson lesson : Lessons::all) {
        const QRectF tab = tabRect(lesson);
        const QColor ink = lesson == selected_ ? UI::onAccent(pal) : UI::primary(pal);
        const QRectF symbol(tab.left() + hPadding, tab.center().y() - symbolSide / 2, symbolSide, symbolSide);
        Icon::paint(painter, Lessons::symbol(lesson), symbol, ink, 1.3);
        painter.setPen(ink);
        painter.drawText(
            QRectF(symbol.right() + symbolGap, tab.top(), tab.right() - symbol.right(), tab.height()),
            Qt::AlignLeft | Qt::AlignVCenter, Lessons::title(lesson));
        painter.setPen(Qt::NoPen);
    }
}

} // namespace mivora
