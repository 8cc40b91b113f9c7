#include "MivoraUI/Tutorial/MemoryHint.h"

#include "Memories/MemoryStore.h"
#include "MivoraUI/Kit/Card.h"
#include "MivoraUI/Kit/SoftButton.h"
#include "MivoraUI/Kit/StyledLabel.h"
#include "MivoraUI/Kit/SymbolView.h"
#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Tutorial/ChipRow.h"
#include "MivoraUI/Tutorial/LessonExamples.h"
#include "MivoraUI/Tutorial/TagLabel.h"
#include "Support/Clock.h"

#include <QHBoxLayout>
#include <QLabel>

namespace mivora {

namespace {

// Drawn in the palette in use, so the text follows a switch of appearance.
StyledLabel* secondaryLabel(const QString& text, double size, QWidget* parent) {
    auto* label = new StyledLabel(text, size, QFont::Normal, StyledLabel::Style::secondary, 0, parent);
    label->setObjectName(QStringLiteral("secondary"));
    return label;
}

} // namespace

MemoryHint::MemoryHint(MemoryStore& store, const Clock& clock, QWidget* parent)
    : QWidget(parent), store_(store), clock_(clock), layout_(new QHBoxLayout(this)) {
    layout_->setContentsMargins(0, 0, 0, 0);
    connect(&store_, &MemoryStore::memoriesChanged, this, &MemoryHint::rebuild);
    rebuild();
}

void MemoryHint::rebuild() {
    delete content_;
    add_ = nullptr;
    chips_.clear();
    if (store_.count() == 0) {
        auto* row = new QWidget;
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(8);
        h->addWidget(SymbolView::secondary(QStringLiteral("tray"), 12, 1.0, row));
        h->addWidget(secondaryLabel(QStringLiteral("还没有记忆，先存一条地址或电话"), 12, row));
        h->addStretch(1);
        auto* add = new SoftButton(QStringLiteral("去添加"), row);
        connect(add, &QAbstractButton::clicked, this, &MemoryHint::addRequested);
        h->addWidget(add);
        add_ = add;
        content_ = card(row, 10, 10);
    } else {
        // Each chip shows its whole title; the chips that do not fit beside the others go on a next line.
        auto* row = new ChipRow(6, 6);
        row->add(secondaryLabel(QStringLiteral("你的记忆："), 11.5, row));
        chips_ = LessonExamples::chipTitles(store_, clock_.now());
        for (const QString& title : chips_) {
            auto* chip = new TagLabel(title, UI::font(11.5, QFont::Medium), 0.06, QMargins(7, 2, 7, 2), row);
            chip->setObjectName(QStringLiteral("chip"));
            chip->setWordWrap(true); // only a title wider than the whole row wraps, inside its chip
            row->add(chip);
        }
        content_ = row;
    }
    layout_->addWidget(content_);
}

} // namespace mivora
