#include "MivoraUI/Memories/MemoriesEmptyState.h"

#include "MivoraUI/Kit/SoftButton.h"
#include "MivoraUI/Memories/MemoriesLabel.h"
#include "Platform/PlatformWords.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace mivora {

namespace {
constexpr int padding = 32;
constexpr int buttonGap = 8;
} // namespace

MemoriesEmptyState::MemoriesEmptyState(const Clock& clock, const QString& hotkey, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("empty"));
    heading_ = new MemoriesLabel(QString(), 17, QFont::DemiBold);
    heading_->setObjectName(QStringLiteral("heading"));
    heading_->setAlignment(Qt::AlignCenter);
    auto* help = new MemoriesLabel(QStringLiteral("按住 ") + hotkey +
                                       QStringLiteral("+Shift 说「我的地址」，就填进光标处。\n") +
                                       PlatformWords::forThisComputer(QStringLiteral(
                                           "记忆只存在这台 Mac 上；开云端识别时，名字会作为识别提示发送。")),
                                   12, QFont::Normal, MemoriesLabel::Style::secondary);
    help->setObjectName(QStringLiteral("help"));
    help->setAlignment(Qt::AlignCenter);
    help->setWordWrap(true);

    templates_ = new QWidget;
    auto* rows = new QVBoxLayout(templates_);
    rows->setContentsMargins(0, 4, 0, 0);
    rows->setSpacing(buttonGap);
    for (QHBoxLayout*& row : rows_) {
        row = new QHBoxLayout;
        row->setSpacing(buttonGap);
        row->setAlignment(Qt::AlignHCenter);
        rows->addLayout(row);
    }
    for (MemoryTemplate t : MemoryTemplate::allCases()) {
        auto* button = new SoftButton(t.memory(clock).title);
        connect(button, &QAbstractButton::clicked, this, [this, t] { emit templateChosen(t.value()); });
        buttons_.append(button);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(14);
    layout->addStretch(1);
    layout->addWidget(heading_);
    layout->addWidget(help);
    layout->addWidget(templates_, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    placeButtons();
}

void MemoriesEmptyState::setStoreEmpty(bool empty) {
    heading_->setText(empty ? QStringLiteral("存下常用的信息") : QStringLiteral("选一条查看或修改"));
    templates_->setVisible(empty);
}

void MemoriesEmptyState::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeButtons();
}

void MemoriesEmptyState::placeButtons() {
    int row = buttonGap * int(buttons_.size() - 1);
    for (const SoftButton* b : buttons_)
        row += b->sizeHint().width();
    const int perRow = row <= width() - 2 * padding ? int(buttons_.size()) : int(buttons_.size() + 1) / 2;
    if (perRow == perRow_) return;
    perRow_ = perRow;
    for (int i = 0; i < buttons_.size(); ++i) {
        for (QHBoxLayout* r : rows_)
            r->removeWidget(buttons_[i]);
        rows_[i / perRow]->addWidget(buttons_[i]);
    }
    // Laid out now, not one event later: this runs while the page is being laid out and drawn.
    templates_->updateGeometry();
    layout()->activate();
}

} // namespace mivora
