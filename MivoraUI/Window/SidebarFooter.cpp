#include "MivoraUI/Window/SidebarFooter.h"

#include "Dictation/SetupModel.h"
#include "MivoraUI/Kit/SecondaryLabel.h"
#include "MivoraUI/Kit/StatusDot.h"
#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Model/AppModel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace mivora {

SidebarFooter::SidebarFooter(AppModel& model, QWidget* parent)
    : QAbstractButton(parent), model_(model), dot_(new StatusDot(false, this)), headline_(new QLabel(this)),
      subline_(new SecondaryLabel({}, this)) {
    setCursor(Qt::PointingHandCursor);
    headline_->setFont(UI::font(12, QFont::DemiBold));
    subline_->setFont(UI::font(10.5));
    for (QWidget* w :
         {static_cast<QWidget*>(dot_), static_cast<QWidget*>(headline_), static_cast<QWidget*>(subline_)})
        w->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* lines = new QVBoxLayout;
    lines->setSpacing(1);
    lines->addWidget(headline_);
    lines->addWidget(subline_);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 10, 10, 10);
    row->setSpacing(8);
    row->addWidget(dot_, 0, Qt::AlignVCenter);
    row->addLayout(lines, 1);

    SetupModel& setup = model_.setup();
    for (auto changed :
         {&SetupModel::micChanged, &SetupModel::accessibilityChanged, &SetupModel::fnFreeChanged,
          &SetupModel::cloudReadyChanged, &SetupModel::accountReadyChanged})
        connect(&setup, changed, this, &SidebarFooter::refresh);
    connect(this, &QAbstractButton::clicked, this,
            [this] { model_.open(ready() ? AppModel::Section::home : AppModel::Section::settings); });
    refresh();
}

bool SidebarFooter::ready() const {
    // The same answer the tray and the start's lines give.
    return model_.setup().ready();
}

QString SidebarFooter::headline() const {
    if (ready()) return QStringLiteral("就绪");
    return QStringLiteral("还差 %1 步").arg(std::max(model_.setup().remaining(), 1));
}

QString SidebarFooter::subline() const {
    if (ready()) return QStringLiteral("按住 ") + model_.hotkeyName() + QStringLiteral(" 说话");
    return QStringLiteral("点这里完成设置");
}

QSize SidebarFooter::sizeHint() const {
    return layout()->sizeHint();
}

void SidebarFooter::refresh() {
    dot_->setOk(ready());
    headline_->setText(headline());
    subline_->setText(subline());
}

void SidebarFooter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = UI::primary(palette());
    fill.setAlphaF(isDown() ? 0.09 : 0.05);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()), 10, 10);
}

} // namespace mivora
