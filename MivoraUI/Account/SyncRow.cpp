#include "MivoraUI/Account/SyncRow.h"

#include "MivoraUI/Kit/Icon.h"
#include "MivoraUI/Kit/SoftButton.h"
#include "MivoraUI/Kit/StyledLabel.h"
#include "MivoraUI/Kit/UI.h"

#include <QHBoxLayout>
#include <QPainter>

namespace mivora {

// The row's icon, drawn from the palette in use at paint time.
class SyncRow::Symbol final : public QWidget {
public:
    explicit Symbol(const QString& name) : name(name) { setFixedSize(18, 18); }
    QString name;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        Icon::paint(painter, name, QRectF(rect()).adjusted(1, 1, -1, -1),
                    StyledLabel::color(StyledLabel::Style::secondary, palette()));
    }
};

SyncRow::SyncRow(QWidget* parent)
    : QWidget(parent), symbol_(new Symbol({})),
      title_(new StyledLabel({}, 12.5, QFont::Normal, StyledLabel::Style::primary)),
      button_(new SoftButton({})) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(symbol_, 0, Qt::AlignVCenter);
    title_->setObjectName(QStringLiteral("syncTitle"));
    title_->setWordWrap(true);
    title_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    row->addWidget(title_, 1);
    row->addWidget(button_, 0, Qt::AlignVCenter);
    button_->setObjectName(QStringLiteral("syncButton"));
    button_->hide();
    connect(button_, &QAbstractButton::clicked, this, &SyncRow::triggered);
}

void SyncRow::set(const QString& icon, const QString& title, const std::optional<QString>& button) {
    icon_ = icon;
    symbol_->name = icon;
    symbol_->update();
    title_->setText(title);
    button_->setVisible(button.has_value());
    if (button) {
        button_->setText(*button);
        button_->updateGeometry();
    }
}

QString SyncRow::title() const {
    return title_->text();
}

QAbstractButton* SyncRow::button() const {
    return button_->isHidden() ? nullptr : button_;
}

} // namespace mivora
