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
constexpr double fadeSeconds = 0.16; // the marks' fade under reduced motion

double lerp(double from, double to, double t) {
    return from + (to - from) * t;
}
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
    connect(&change_, &QVariantAnimation::valueChanged, this, &StepRow::follow);
    connect(&change_, &QAbstractAnimation::finished, this, &StepRow::settled);
    fields_ = std::move(fields);
    apply(Motion::none);
}

void StepRow::setFields(Fields fields, Motion motion) {
    fields_ = std::move(fields);
    apply(motion);
}

double StepRow::shownDone() const {
    return lerp(fromDone_, toDone_, change_.value().toDouble());
}

double StepRow::shownActive() const {
    return lerp(fromActive_, toActive_, change_.value().toDouble());
}

QAbstractButton* StepRow::button() const {
    if (fields_.done) return nullptr;
    return fields_.active ? static_cast<QAbstractButton*>(primary_) : soft_;
}

void StepRow::apply(Motion motion) {
    const bool moving = motion != Motion::none && isVisible();
    // A change that comes while another runs starts from where the drawing is now.
    fromDone_ = moving ? shownDone() : 0;
    fromActive_ = moving ? shownActive() : 0;
    toDone_ = fields_.done ? 1 : 0;
    toActive_ = fields_.active ? 1 : 0;
    const int fromHeight = height();
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
    heights_.reset();
    setMinimumHeight(0);
    setMaximumHeight(QWIDGETSIZE_MAX);
    if (!moving) {
        change_.jumpTo(1.0);
        update();
        return;
    }
    change_.jumpTo(0.0);
    if (motion == Motion::fade) {
        change_.easeTo(1.0, fadeSeconds);
        return;
    }
    // The row grows or shrinks to the height of its new content along the same spring.
    layout()->activate();
    const int toHeight = hasHeightForWidth() ? heightForWidth(width()) : sizeHint().height();
    if (toHeight != fromHeight) {
        heights_ = std::pair(fromHeight, toHeight);
        setFixedHeight(fromHeight);
    }
    change_.springTo(1.0, UI::smooth);
}

void StepRow::follow() {
    if (heights_) setFixedHeight(qRound(lerp(heights_->first, heights_->second, change_.value().toDouble())));
    update();
}

void StepRow::settled() {
    if (!heights_) return;
    heights_.reset();
    setMinimumHeight(0);
    setMaximumHeight(QWIDGETSIZE_MAX);
}

void StepRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Settled, `done` and `active` are 0 or 1; while a change runs they are on the way between the two.
    const double done = std::clamp(shownDone(), 0.0, 1.0);
    const double active = std::clamp(shownActive(), 0.0, 1.0);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill = UI::primary(palette());
    fill.setAlphaF(float(lerp(0.03, 0.06, active)));
    painter.setPen(QPen(UI::mix(Qt::transparent, UI::stroke(palette()), active), 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(frame, 12, 12);

    const QRectF circle(padding, padding + 1, badge, badge);
    painter.setPen(Qt::NoPen);
    QColor ring = UI::primary(palette());
    ring.setAlphaF(0.12f);
    painter.setBrush(UI::mix(UI::mix(ring, UI::accent(palette()), active), UI::green(), done));
    painter.drawEllipse(circle);
    if (done < 1) {
        painter.setOpacity(1 - done);
        painter.setPen(UI::mix(UI::primary(palette()), UI::onAccent(palette()), active));
        painter.setFont(UI::font(12, QFont::DemiBold));
        painter.drawText(circle, Qt::AlignCenter, QString::number(fields_.n));
    }
    if (done > 0) {
        painter.setOpacity(done);
        Icon::paint(painter, QStringLiteral("checkmark"), circle.adjusted(6, 6, -6, -6), Qt::white, 1.5);
    }
}

} // namespace mivora
