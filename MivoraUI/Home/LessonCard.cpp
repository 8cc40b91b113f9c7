#include "MivoraUI/Home/LessonCard.h"

#include "MivoraUI/Kit/Card.h"
#include "MivoraUI/Kit/HoverLift.h"
#include "MivoraUI/Kit/Icon.h"
#include "MivoraUI/Kit/KeyCombo.h"
#include "MivoraUI/Kit/StyledLabel.h"
#include "MivoraUI/Kit/SymbolView.h"
#include "MivoraUI/Kit/UI.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace mivora {

namespace {

// The lesson's symbol centred in a 32-point circle outlined with the stroke colour.
class SymbolBadge final : public QWidget {
public:
    explicit SymbolBadge(const QString& symbol) : symbol_(symbol) { setFixedSize(32, 32); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(UI::stroke(palette()), 0.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25));
        Icon::paint(painter, symbol_, QRectF(8.5, 8.5, 15, 15), palette().color(QPalette::WindowText), 0.8);
    }

private:
    const QString symbol_;
};

} // namespace

LessonCard::LessonCard(Lesson lesson, const QString& hotkey, QWidget* parent)
    : QAbstractButton(parent), lesson_(lesson) {
    setObjectName(QStringLiteral("lesson-") + QString::number(Lessons::raw(lesson)));
    setAccessibleName(Lessons::title(lesson));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);

    auto* content = new QWidget;
    content->setMinimumHeight(150);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(new SymbolBadge(Lessons::symbol(lesson)));
    top->addStretch(1);
    top->addWidget(new KeyCombo(Lessons::keys(lesson, hotkey)));
    column->addLayout(top);
    column->addWidget(new StyledLabel(Lessons::title(lesson), 14, QFont::Medium));
    auto* tagline =
        new StyledLabel(Lessons::tagline(lesson, hotkey), 12, QFont::Normal, StyledLabel::Style::secondary);
    tagline->setWordWrap(true);
    column->addWidget(tagline);
    column->addStretch(1);
    auto* foot = new QHBoxLayout;
    foot->setContentsMargins(0, 0, 0, 0);
    foot->setSpacing(4);
    foot->addWidget(new StyledLabel(QStringLiteral("看演示、练一练"), 11.5, QFont::Normal,
                                    StyledLabel::Style::secondary));
    foot->addWidget(SymbolView::secondary(QStringLiteral("arrow.right"), 10, 0.8));
    foot->addStretch(1);
    column->addLayout(foot);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(card(content, 14, 16));
    hoverLift(this);
}

void LessonCard::paintEvent(QPaintEvent*) {
    // The card inside draws everything; the button only takes the clicks.
}

} // namespace mivora
