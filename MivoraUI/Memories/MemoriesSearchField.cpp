#include "MivoraUI/Memories/MemoriesSearchField.h"

#include "MivoraUI/Kit/Icon.h"
#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Memories/MemoriesLabel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>

namespace mivora {

namespace {
constexpr int outer = 12; // around the rounded background
constexpr int inner = 8;  // inside it
constexpr int glyph = 14; // the magnifying glass
constexpr int gap = 6;
} // namespace

MemoriesSearchField::MemoriesSearchField(QWidget* parent) : QWidget(parent), edit_(new QLineEdit) {
    edit_->setObjectName(QStringLiteral("search"));
    edit_->setPlaceholderText(QStringLiteral("搜索"));
    edit_->setFrame(false);
    edit_->setFont(UI::font(13));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(outer + inner + glyph + gap, outer + inner, outer + inner, outer + inner);
    layout->addWidget(edit_);
    fitEditToPalette();
}

void MemoriesSearchField::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) fitEditToPalette();
}

void MemoriesSearchField::fitEditToPalette() {
    // The field draws on this row's background, its placeholder in the secondary style of the palette.
    QPalette p = edit_->palette();
    p.setColor(QPalette::Base, Qt::transparent);
    p.setColor(QPalette::PlaceholderText, MemoriesLabel::secondary(palette()));
    edit_->setPalette(p);
}

void MemoriesSearchField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(outer, outer, -outer, -outer);
    QColor fill = UI::primary(palette());
    fill.setAlphaF(0.05f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(box, 8, 8);
    const QRectF icon(box.left() + inner, box.center().y() - glyph / 2.0, glyph, glyph);
    Icon::paint(painter, QStringLiteral("magnifyingglass"), icon, MemoriesLabel::secondary(palette()));
}

} // namespace mivora
