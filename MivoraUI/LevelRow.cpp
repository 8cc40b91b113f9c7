#include "MivoraUI/LevelRow.h"

#include "MivoraUI/RecDot.h"
#include "MivoraUI/SymbolView.h"
#include "MivoraUI/UI.h"
#include "MivoraUI/VoiceBars.h"

#include <QHBoxLayout>
#include <QLabel>

namespace mivora {

LevelRow::LevelRow(bool reduceMotion, QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    dot_ = new RecDot(this);
    magnifier_ = new SymbolView(QStringLiteral("sparkle.magnifyingglass"), 14,
                                QColor::fromRgbF(1, 1, 1, 0.85f), 1.3, this);
    bars_ = new VoiceBars(BarsMode::listen, reduceMotion, this);
    hint_ = new QLabel(QStringLiteral("Fn 结束"), this);
    hint_->setFont(UI::font(12, QFont::Medium));
    QPalette p = hint_->palette();
    p.setColor(QPalette::WindowText, QColor::fromRgbF(1, 1, 1, 0.55f));
    hint_->setPalette(p);
    for (QWidget* w : {static_cast<QWidget*>(dot_), static_cast<QWidget*>(magnifier_),
                       static_cast<QWidget*>(bars_), static_cast<QWidget*>(hint_)})
        layout->addWidget(w, 0, Qt::AlignVCenter);
}

void LevelRow::set(bool handsFree, bool recall, BarsMode mode, float level) {
    dot_->setVisible(handsFree);
    magnifier_->setVisible(recall);
    hint_->setVisible(handsFree);
    bars_->setMode(mode);
    bars_->setLevel(level);
    adjustSize();
}

} // namespace mivora
