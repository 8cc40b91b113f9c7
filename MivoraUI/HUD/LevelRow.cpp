#include "MivoraUI/HUD/LevelRow.h"

#include "MivoraUI/HUD/HUDPill.h"
#include "MivoraUI/HUD/RecDot.h"
#include "MivoraUI/HUD/VoiceBars.h"
#include "MivoraUI/Kit/LayerEffect.h"
#include "MivoraUI/Kit/SymbolView.h"
#include "MivoraUI/Kit/UI.h"

#include <QHBoxLayout>
#include <QLabel>

namespace mivora {

LevelRow::LevelRow(const HUDOptions& options, QWidget* parent)
    : QWidget(parent), reduceMotion_(options.reduceMotion) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    dot_ = new RecDot(this);
    magnifier_ = new SymbolView(QStringLiteral("sparkle.magnifyingglass"), 14,
                                QColor::fromRgbF(1, 1, 1, 0.85f), 1.3, this);
    bars_ = new VoiceBars(BarsMode::listen, reduceMotion_, this);
    hint_ = new QLabel(options.hotkey + QStringLiteral(" 结束"), this);
    hint_->setFont(UI::font(12, QFont::Medium));
    QPalette p = hint_->palette();
    p.setColor(QPalette::WindowText, QColor::fromRgbF(1, 1, 1, 0.55f));
    hint_->setPalette(p);
    for (QWidget* w : {static_cast<QWidget*>(dot_), static_cast<QWidget*>(magnifier_),
                       static_cast<QWidget*>(bars_), static_cast<QWidget*>(hint_)})
        layout->addWidget(w, 0, Qt::AlignVCenter);
}

void LevelRow::setHotkey(const QString& hotkey) {
    hint_->setText(hotkey + QStringLiteral(" 结束"));
    adjustSize();
}

void LevelRow::set(bool handsFree, bool recall, BarsMode mode, float level) {
    reveal(dot_, handsFree, 0.00001);
    reveal(magnifier_, recall, 0.6);
    reveal(hint_, handsFree, 1);
    first_ = false;
    bars_->setMode(mode);
    bars_->setLevel(level);
    adjustSize();
}

void LevelRow::reveal(QWidget* item, bool on, double hiddenScale) {
    const bool changed = wanted_.value(item, !on) != on;
    wanted_[item] = on;
    if (!changed) return;
    delete item->findChild<SpringAnimation*>(); // a reveal still under way ends here
    item->setGraphicsEffect(nullptr);
    // The row makes room at once, so the pill's new size is known; an item leaves at once and comes in
    // growing from `hiddenScale` while it fades in.
    item->setVisible(on);
    if (!on || first_) return;
    auto* effect = new LayerEffect(item);
    item->setGraphicsEffect(effect);
    auto* progress = new SpringAnimation(0.0, item);
    const auto look = [effect, progress, hiddenScale] {
        const double p = std::clamp(progress->value().toDouble(), 0.0, 1.0);
        effect->setLook({0, p, hiddenScale + (1 - hiddenScale) * p, {0.5, 0.5}, {}});
    };
    connect(progress, &QVariantAnimation::valueChanged, effect, look);
    connect(progress, &QAbstractAnimation::finished, item, [item] { item->setGraphicsEffect(nullptr); });
    look();
    HUDPill::animate(*progress, 1.0, reduceMotion_);
}

} // namespace mivora
