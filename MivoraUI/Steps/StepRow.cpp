#include "MivoraUI/Steps/StepRow.h"

#include "MivoraUI/Kit/Icon.h"
#include "MivoraUI/Kit/PrimaryButton.h"
#include "MivoraUI/Kit/SecondaryLabel.h"
#include "MivoraUI/Kit/SoftButton.h"
#include "MivoraUI/Kit/UI.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace mivora {

namespace {
constexpr double badge = 24;
constexpr int padding = 12;
} // namespace

StepRow::StepRow(Fields fields, QWidget* parent)
    : QWidget(parent), title_(new QLabel(this)), detail_(new SecondaryLabel({}, this)),
      text_(new QVBoxLayout), primary_(new PrimaryButton(QString(), this)),
      soft_(new SoftButton(QString(), this)) {
    title_->setFont(UI::font(13, QFont::DemiBold));
    detail_->setFont(UI::font(11.5));
    detail_->setWordWrap(true);
    title_->setObjectName(QStringLiteral("title"));
    detail_->setObjectName(QStringLiteral("detail"));
    text_->setSpacing(3);
    text_->addWidget(title_);
    text_->addWidget(detail_);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(padding + int(badge) + 12, padding, padding, padding);
    row->setSpacing(12);
    row->addLayout(text_, 1);
    row->addWidget(primary_, 0, Qt::AlignVCenter);
    row->addWidget(soft_, 0, Qt::AlignVCenter);
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(primary_), static_cast<QAbstractButton*>(soft_)})
        connect(b, &QAbstractButton::clicked, this, [this] {
            if (fields_.action) fields_.action();
        });
    fields_ = std::move(fields);
    apply();
}

void StepRow::setFields(Fields fields) {
    fields_ = std::move(fields);
    apply();
}

QAbstractButton* StepRow::button() const {
    if (fields_.done) return nullptr;
    return fields_.active ? static_cast<QAbstractButton*>(primary_) : soft_;
}

void StepRow::apply() {
    title_->setText(fields_.title);
    detail_->setText(fields_.detail);
    primary_->setText(fields_.button);
    soft_->setText(fields_.button);
    primary_->setVisible(!fields_.done && fields_.active);
    soft_->setVisible(!fields_.done && !fields_.active);
    primary_->updateGeometry();
    soft_->updateGeometry();
    const bool wantHint = fields_.active && !fields_.done && fields_.hint;
    if (hint_ && (!wantHint || hint_->kind() != *fields_.hint)) {
        delete hint_;
        hint_ = nullptr;
    }
    if (wantHint && !hint_) {
        hint_ = new PermissionHint(*fields_.hint, this);
        text_->addWidget(hint_, 0, Qt::AlignLeft);
        hint_->show();
    }
    update();
}

void StepRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill = UI::primary(palette());
    fill.setAlphaF(fields_.active ? 0.06 : 0.03);
    painter.setPen(QPen(fields_.active ? UI::stroke(palette()) : Qt::transparent, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(frame, 12, 12);

    const QRectF circle(padding, padding + 1, badge, badge);
    painter.setPen(Qt::NoPen);
    if (fields_.done) {
        painter.setBrush(UI::green());
        painter.drawEllipse(circle);
        Icon::paint(painter, QStringLiteral("checkmark"), circle.adjusted(6, 6, -6, -6), Qt::white, 1.5);
        return;
    }
    QColor ring = UI::primary(palette());
    ring.setAlphaF(0.12);
    painter.setBrush(fields_.active ? UI::accent(palette()) : ring);
    painter.drawEllipse(circle);
    painter.setPen(fields_.active ? UI::onAccent(palette()) : UI::primary(palette()));
    painter.setFont(UI::font(12, QFont::DemiBold));
    painter.drawText(circle, Qt::AlignCenter, QString::number(fields_.n));
}

} // namespace mivora
