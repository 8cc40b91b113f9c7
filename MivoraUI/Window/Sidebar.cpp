#include "MivoraUI/Window/Sidebar.h"

#include "MivoraUI/Kit/Icon.h"
#include "MivoraUI/Kit/SidebarRows.h"
#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Model/AppModel.h"
#include "MivoraUI/Window/SidebarFooter.h"

#include <QEvent>
#include <QListWidget>
#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace mivora {

namespace {
QIcon sectionIcon(AppModel::Section section, const QColor& color) {
    QPixmap pixmap(QSize(32, 32));
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    Icon::paint(painter, AppModel::icon(section), QRectF(0, 0, 16, 16), color);
    return QIcon(pixmap);
}
} // namespace

Sidebar::Sidebar(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), list_(new QListWidget(this)), footer_(new SidebarFooter(model, this)) {
    setMinimumWidth(minimumWidth);
    setMaximumWidth(maximumWidth);
    list_->setObjectName(QStringLiteral("sections"));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setIconSize(QSize(16, 16));
    list_->setFont(UI::font(13));
    list_->setSpacing(2);
    list_->viewport()->setAutoFillBackground(false);
    SidebarRows::apply(list_);
    for (AppModel::Section section : AppModel::sections) {
        auto* item =
            new QListWidgetItem(sectionIcon(section, UI::primary(palette())), AppModel::title(section));
        item->setData(Qt::UserRole, AppModel::raw(section));
        item->setSizeHint(QSize(0, 30));
        list_->addItem(item);
    }
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 12, 0, 0);
    column->setSpacing(0);
    column->addWidget(list_, 1);
    auto* pinned = new QVBoxLayout;
    pinned->setContentsMargins(12, 12, 12, 12);
    pinned->addWidget(footer_);
    column->addLayout(pinned);

    paintIcons();
    connect(list_, &QListWidget::itemSelectionChanged, this, &Sidebar::selectionChanged);
    connect(&model_, &AppModel::sectionChanged, this, &Sidebar::follow);
    follow();
}

void Sidebar::paintIcons() {
    for (AppModel::Section section : AppModel::sections)
        list_->item(int(section))->setIcon(sectionIcon(section, UI::primary(palette())));
}

void Sidebar::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The icons are pictures in the colour of the appearance they were drawn for.
    if (event->type() == QEvent::PaletteChange) paintIcons();
}

QSize Sidebar::sizeHint() const {
    return {idealWidth, QWidget::sizeHint().height()};
}

void Sidebar::selectionChanged() {
    // An assistive tool selects the chosen row beside the open section's: the chosen one is the other row,
    // wherever it stands in the list.
    for (const QListWidgetItem* item : list_->selectedItems()) {
        const auto section = AppModel::fromRaw(item->data(Qt::UserRole).toString());
        if (section && *section != model_.section()) {
            model_.open(*section);
            break;
        }
    }
    // A list action that clears the selection changes nothing: the section stays and its row with it.
    follow();
}

void Sidebar::follow() {
    const QSignalBlocker quiet(list_);
    list_->setCurrentRow(int(model_.section()), QItemSelectionModel::ClearAndSelect);
}

} // namespace mivora
