#include "MivoraUI/Memories/MemoriesView.h"

#include "Memories/MemoryStore.h"
#include "Memories/MemoryTemplate.h"
#include "MivoraUI/Kit/SaveFailureNote.h"
#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Memories/MemoriesAddButton.h"
#include "MivoraUI/Memories/MemoriesEmptyState.h"
#include "MivoraUI/Memories/MemoriesLabel.h"
#include "MivoraUI/Memories/MemoriesSearchField.h"
#include "MivoraUI/Memories/MemoryEditor.h"
#include "MivoraUI/Memories/MemoryListDelegate.h"
#include "MivoraUI/Memories/MemoryListFilter.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace mivora {

namespace {
constexpr int sidebarWidth = 250;
} // namespace

MemoriesView::MemoriesView(MemoryStore& store, const Clock& clock, const QString& hotkey, QWidget* parent)
    : QWidget(parent), store_(store), clock_(clock) {
    setMinimumSize(680, 440);

    auto* search = new MemoriesSearchField;
    search_ = search->edit();

    list_ = new QListView;
    list_->setObjectName(QStringLiteral("list"));
    list_->setModel(&model_);
    list_->setItemDelegate(new MemoryListDelegate(list_));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setUniformItemSizes(true);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->viewport()->setAutoFillBackground(false);
    list_->setFocusPolicy(Qt::StrongFocus);

    add_ = new MemoriesAddButton;
    auto* menu = new QMenu(add_);
    for (MemoryTemplate t : MemoryTemplate::allCases())
        menu->addAction(t.memory(clock_).title, this, [this, t] { startNew(t.memory(clock_)); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("空白"), this, [this] {
        startNew(Memory{.type = QStringLiteral("信息"), .source = QStringLiteral("手动添加")});
    });
    add_->setMenu(menu);

    sidebar_ = new QWidget;
    sidebar_->setFixedWidth(sidebarWidth);
    auto* side = new QVBoxLayout(sidebar_);
    side->setContentsMargins(0, 0, 0, 0);
    side->setSpacing(0);
    side->addWidget(search);
    side->addWidget(list_, 1);
    side->addSpacing(1); // the divider, drawn by the page
    side->addWidget(add_);

    empty_ = new MemoriesEmptyState(clock_, hotkey);
    connect(empty_, &MemoriesEmptyState::templateChosen, this,
            [this](MemoryTemplate::Case which) { startNew(MemoryTemplate(which).memory(clock_)); });
    // Above the editor, or the explanation that replaces it after a deletion: where the edit was made.
    unsaved_ = new MemoriesLabel(QString(), 12, QFont::Medium);
    unsaved_->setObjectName(QStringLiteral("unsaved"));
    unsaved_->setWordWrap(true);
    unsaved_->setContentsMargins(24, 12, 24, 0);
    QPalette red = unsaved_->palette();
    red.setColor(QPalette::WindowText, QColor(0xff, 0x3b, 0x30));
    unsaved_->setPalette(red);
    auto* detail = new QWidget;
    auto* column = new QVBoxLayout(detail);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(unsaved_);
    detail_ = new QStackedLayout;
    column->addLayout(detail_, 1);
    detail_->addWidget(empty_);

    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addWidget(sidebar_);
    root->addSpacing(1); // the divider, drawn by the page
    root->addWidget(detail, 1);

    connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) {
        query_ = text;
        showRows();
    });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MemoriesView::rowSelected);
    connect(&store_, &MemoryStore::memoriesChanged, this, &MemoriesView::refresh);
    connect(&store_, &MemoryStore::saveFailureChanged, this, &MemoriesView::showSaveFailure);
    refresh();
    showSaveFailure();
}

void MemoriesView::showSaveFailure() {
    mivora::showSaveFailure(*unsaved_, store_.saveFailure(),
                            QStringLiteral("磁盘满了，改动还没存上：空出地方后，下次保存或退出时会再存。"),
                            QStringLiteral("记忆文件写不进去，改动还没存上：下次保存或退出时会再试。"));
}

const Memory* MemoriesView::stored(const QString& id) const {
    for (const Memory& m : store_.memories())
        if (m.id == id) return &m;
    return nullptr;
}

void MemoriesView::refresh() {
    showRows();
    empty_->setStoreEmpty(store_.count() == 0);
    if (!editor_) return;
    const Memory* m = stored(editor_->memoryId());
    editor_->setNew(!m);
    if (m) editor_->follow(*m);
}

void MemoriesView::showRows() {
    model_.setMemories(MemoryListFilter::filtered(store_.memories(), query_));
    // The selection stays the page's own: a row hidden by the search is selected again when it shows.
    const int row = selection_ ? model_.rowOf(*selection_) : -1;
    settingSelection_ = true;
    if (row >= 0)
        list_->selectionModel()->setCurrentIndex(model_.index(row), QItemSelectionModel::ClearAndSelect);
    else
        list_->selectionModel()->clear();
    settingSelection_ = false;
}

void MemoriesView::rowSelected() {
    if (settingSelection_) return;
    const QModelIndexList rows = list_->selectionModel()->selectedIndexes();
    if (rows.isEmpty()) {
        selection_.reset();
        return;
    }
    const QString id = rows.first().data(MemoryListModel::IdRole).toString();
    if (selection_ == id) return;
    selection_ = id;
    if (const Memory* m = stored(id)) open(*m);
}

void MemoriesView::startNew(Memory memory) {
    memory.id = Memory::newId();
    memory.savedAt = IsoDate::wholeSeconds(clock_.now());
    selection_.reset();
    settingSelection_ = true;
    list_->selectionModel()->clear();
    settingSelection_ = false;
    open(memory);
}

void MemoriesView::open(const Memory& memory) {
    close();
    editor_ = new MemoryEditor(memory, !stored(memory.id));
    connect(editor_, &MemoryEditor::saveRequested, this, &MemoriesView::save);
    connect(editor_, &MemoryEditor::deleteRequested, this, &MemoriesView::remove);
    detail_->addWidget(editor_);
    detail_->setCurrentWidget(editor_);
}

void MemoriesView::close() {
    if (!editor_) return;
    detail_->removeWidget(editor_);
    // It may be the sender of the signal being handled.
    editor_->hide();
    editor_->deleteLater();
    editor_ = nullptr;
    detail_->setCurrentWidget(empty_);
}

void MemoriesView::save(const Memory& edited) {
    selection_ = edited.id;
    store_.saveEdit(edited);
}

void MemoriesView::remove(const QString& id) {
    selection_.reset();
    close();
    store_.deleteMemory(id);
}

void MemoriesView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QColor line = UI::primary(palette());
    line.setAlphaF(0.1f);
    const QRect side = sidebar_->geometry();
    painter.fillRect(QRect(side.right() + 1, 0, 1, height()), line);
    painter.fillRect(QRect(side.left(), side.top() + add_->geometry().top() - 1, side.width(), 1), line);
}

} // namespace mivora
