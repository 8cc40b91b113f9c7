#include "MivoraUI/Memories/MemoriesView.h"

#include "Memories/MemoryStore.h"
#include "MivoraUI/Memories/MemoryEditor.h"
#include "MivoraUI/Memories/MemoryListFilter.h"
#include "MivoraUI/Memories/MemoryListModel.h"
#include "support/FakeScheduler.h"
#include "support/Render.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace mivora;

namespace {

QStringList titles(const QList<Memory>& memories) {
    QStringList out;
    for (const Memory& m : memories)
        out.append(m.title);
    return out;
}

} // namespace

// The needle loses the spaces and tabs around it; case is ignored on both sides; a
// hyphen stays part of the text; a sensitive memory is found by its names but never by its value.
TEST(MemoryList, SearchTrimsSpacesAndTabsIgnoresCaseAndNeverSearchesASecret) {
    const QList<Memory> all{
        {.title = "路由器", .type = "信息", .aliases = {"wifi"}, .value = "guest password"},
        {.title = "Wi-Fi 密码", .type = "信息", .value = "Password 1", .sensitive = true},
        {.title = "邮箱", .type = "邮箱", .aliases = {"Email"}, .value = "a@b.c"}};
    auto found = [&](const QString& query) { return titles(MemoryListFilter::filtered(all, query)); };
    EXPECT_EQ(found(" \t "), titles(all));
    EXPECT_EQ(found("\t EMAIL  "), QStringList{"邮箱"});
    EXPECT_EQ(found("wi-fi"), QStringList{"Wi-Fi 密码"});
    EXPECT_EQ(found("PASSWORD"), QStringList{"路由器"});
}

// Half of a surrogate pair is no character of the text: it finds neither the whole emoji nor its other
// half, while the whole emoji, and a lone half standing by itself, are found.
TEST(MemoryList, SearchFindsWholeCharactersNeverHalfOfOne) {
    const QString high(QChar(0xD83D));
    const QList<Memory> all{{.title = "表情", .type = "信息", .value = "　　　😀"},
                            {.title = "残片", .type = "信息", .value = QString("　") + high + "a"}};
    auto found = [&](const QString& query) { return titles(MemoryListFilter::filtered(all, query)); };
    EXPECT_EQ(found(QString("　") + high), QStringList{"残片"});
    EXPECT_EQ(found(QString(QChar(0xDE00))), QStringList{});
    EXPECT_EQ(found("　😀"), QStringList{"表情"});
}

// A row shows the value's first non-empty line (a CR LF pair ends no line), cut to what a row can show, so
// a megabyte on one line is laid out no further than its start.
TEST(MemoryList, ARowPreviewsTheFirstLineCutToWhatTheRowShows) {
    const QString megabyte = QString("上海市徐汇区漕溪北路 88 号").repeated(1 << 16);
    const QList<Memory> memories{{.value = "\n\n家\n公司"},
                                 {.value = "a\r\nb\nc"},
                                 {.value = "\n\n"},
                                 {.value = ""},
                                 {.value = "\r\n\n\nx"},
                                 {.value = "\n" + megabyte + "\n下一行"},
                                 {.value = megabyte, .sensitive = true}};
    MemoryListModel model;
    model.setMemories(memories);
    auto preview = [&](int row) { return model.index(row).data(MemoryListModel::PreviewRole).toString(); };
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(preview(row), memories[row].firstLine()) << row;
    const QString shown = preview(5);
    EXPECT_LE(shown.size(), 700);
    EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
    EXPECT_TRUE(megabyte.startsWith(shown.chopped(1)));
    EXPECT_EQ(preview(6), "••••••");
}

class Page : public ::testing::Test {
protected:
    MemoriesView& open(QList<Memory> memories = {}) {
        store = std::make_unique<MemoryStore>(std::nullopt, std::move(memories), clock);
        view = std::make_unique<MemoriesView>(*store, clock, "右 Alt");
        view->resize(960, 640);
        view->show();
        return *view;
    }
    template <typename T> T* find(const char* name) const { return view->findChild<T*>(name); }
    QListView* list() const { return find<QListView>("list"); }
    QStringList rows() const {
        QStringList out;
        for (int r = 0; r < list()->model()->rowCount(); ++r)
            out.append(list()->model()->index(r, 0).data().toString());
        return out;
    }
    // The title of the selected row, or nothing.
    QString selectedRow() const {
        const QModelIndexList s = list()->selectionModel()->selectedIndexes();
        return s.isEmpty() ? QString() : s.first().data().toString();
    }
    void click(const QString& title) {
        const int row = int(rows().indexOf(title));
        ASSERT_GE(row, 0) << title.toStdString();
        const QRect r = list()->visualRect(list()->model()->index(row, 0));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, r.center());
    }
    void addFromMenu(const QString& item) {
        for (QAction* a : find<QToolButton>("add")->menu()->actions())
            if (a->text() == item) return a->trigger();
        FAIL() << item.toStdString();
    }
    template <typename T> T* field(const char* name) const { return view->editor()->findChild<T*>(name); }
    QAbstractButton* editorButton(const char* name) const { return field<QAbstractButton>(name); }
    bool showsEmptyState() const { return !view->editor() && find<QWidget>("empty")->isVisible(); }
    void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    test::FakeClock clock;
    std::unique_ptr<MemoryStore> store;
    std::unique_ptr<MemoriesView> view;
};

// A memory added from the menu is nothing until saved; saved under a search it does not match, it stays
// selected and open while its row is hidden, and its row shows selected once the search is cleared.
TEST_F(Page, ANewMemoryStaysSelectedAndOpenUnderASearchItDoesNotMatch) {
    open();
    ASSERT_TRUE(showsEmptyState());
    addFromMenu("手机号");
    ASSERT_TRUE(view->editor());
    EXPECT_EQ(field<QLineEdit>("title")->text(), "手机号");
    EXPECT_EQ(store->count(), 0);

    find<QLineEdit>("search")->setText("地址");
    field<QPlainTextEdit>("value")->setPlainText("138 0000 0000");
    MemoryEditor* editor = view->editor();
    editorButton("save")->click();
    ASSERT_EQ(store->count(), 1);
    EXPECT_EQ(view->selection(), store->memories()[0].id);
    EXPECT_EQ(view->editor(), editor);
    EXPECT_TRUE(rows().isEmpty());

    find<QLineEdit>("search")->clear();
    EXPECT_EQ(selectedRow(), "手机号");

    settle();
}

// Pinned memories come first, then the most used; equal ones keep the store's order, also under a search.
TEST_F(Page, PinnedMemoriesListFirstThenTheMostUsed) {
    open({{.title = "家 1", .value = "a", .useCount = 1, .pinned = true},
          {.title = "公司 9", .value = "b", .useCount = 9},
          {.title = "家 5", .value = "c", .useCount = 5, .pinned = true},
          {.title = "学校 9", .value = "d", .useCount = 9},
          {.title = "家 0", .value = "e"}});
    EXPECT_EQ(rows(), QStringList({"家 5", "家 1", "公司 9", "学校 9", "家 0"}));
    find<QLineEdit>("search")->setText("家");
    EXPECT_EQ(rows(), QStringList({"家 5", "家 1", "家 0"}));
}

// The editor's copy is older than the store once a use is counted while it is open; saving writes what
// was edited and keeps the count.
TEST_F(Page, SavingKeepsAUseCountedWhileTheEditorWasOpen) {
    open({{.title = "家", .value = "浦东", .useCount = 2}});
    click("家");
    ASSERT_TRUE(view->editor());
    store->markUsed(store->memories()[0].id);
    field<QPlainTextEdit>("value")->setPlainText("徐汇");
    editorButton("save")->click();
    ASSERT_EQ(store->count(), 1);
    EXPECT_EQ(store->memories()[0].value, "徐汇");
    EXPECT_EQ(store->memories()[0].useCount, 3);
    EXPECT_TRUE(store->memories()[0].lastUsedAt);
}

// Deleting asks first, naming the memory by the title as typed and as plain text; cancelling changes
// nothing, confirming deletes it and shows the explanation for a store that still holds memories.
TEST_F(Page, DeletingAsksFirstAndThenShowsTheEmptyState) {
    open({{.title = "<b>家</b>", .value = "浦东"}, {.title = "公司", .value = "徐汇"}});
    click("<b>家</b>");
    field<QLineEdit>("title")->setText("<i>家</i>");
    for (const auto role : {QMessageBox::RejectRole, QMessageBox::DestructiveRole}) {
        ASSERT_TRUE(view->editor());
        editorButton("delete")->click();
        auto* box = view->editor()->findChild<QMessageBox*>();
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text(), "删除「<i>家</i>」？");
        for (QLabel* label : box->findChildren<QLabel*>())
            EXPECT_TRUE(!label->text().contains("<i>") || label->textFormat() == Qt::PlainText);
        for (QAbstractButton* b : box->buttons())
            if (box->buttonRole(b) == role) b->click();
        settle();
    }
    EXPECT_EQ(store->orderedTitles(), QStringList{"公司"});
    EXPECT_FALSE(view->selection());
    EXPECT_TRUE(showsEmptyState());
    EXPECT_EQ(selectedRow(), "");
}

// An edit the disk does not take shows as not saved, where it was made: above the editor, and above the
// explanation after a deletion; a later save that goes through takes the line away.
TEST_F(Page, AnEditTheDiskDidNotTakeSaysSoUntilASaveGoesThrough) {
    QTemporaryDir dir;
    store = std::make_unique<MemoryStore>(
        dir.filePath("memories.json"),
        QList<Memory>{{.title = "家", .value = "浦东"}, {.title = "公司", .value = "徐汇"}}, clock);
    view = std::make_unique<MemoriesView>(*store, clock, "右 Alt");
    view->show();
    store->setWriter([](const QString&, const QByteArray&) {
        return AtomicFile::Result{AtomicFile::Failure::diskFull, "No space left on device"};
    });
    auto* unsaved = find<QLabel>("unsaved");
    EXPECT_FALSE(unsaved->isVisible());
    click("家");
    field<QPlainTextEdit>("value")->setPlainText("徐汇");
    editorButton("save")->click();
    EXPECT_TRUE(unsaved->isVisible());
    EXPECT_EQ(unsaved->text(), "磁盘满了，改动还没存上：空出地方后，下次保存或退出时会再存。");
    EXPECT_LT(unsaved->mapTo(view.get(), QPoint()).y(), view->editor()->mapTo(view.get(), QPoint()).y());

    editorButton("delete")->click();
    auto* box = view->editor()->findChild<QMessageBox*>();
    ASSERT_TRUE(box);
    for (QAbstractButton* b : box->buttons())
        if (box->buttonRole(b) == QMessageBox::DestructiveRole) b->click();
    settle();
    EXPECT_EQ(store->orderedTitles(), QStringList{"公司"});
    EXPECT_TRUE(showsEmptyState());
    EXPECT_TRUE(unsaved->isVisible());

    store->setWriter(AtomicFile::write);
    store->markUsed(store->memories()[0].id);
    EXPECT_FALSE(unsaved->isVisible());
}

// The question carries the product's name in its title bar and room for it there; Enter (like Esc) keeps
// the memory: only choosing "删除" deletes.
TEST_F(Page, TheDeleteQuestionIsTitledWithTheProductAndEnterKeepsTheMemory) {
    open({{.title = "家", .value = "浦东"}});
    click("家");
    for (const auto key : {Qt::Key_Return, Qt::Key_Escape}) {
        editorButton("delete")->click();
        auto* box = view->editor()->findChild<QMessageBox*>();
        ASSERT_TRUE(box && box->isVisible());
        EXPECT_EQ(box->windowTitle(), "Veskel");
        EXPECT_GE(box->width(), QFontMetrics(box->font()).horizontalAdvance("Veskel") + 120);
        QTest::keyClick(box, key);
        settle();
        EXPECT_EQ(store->count(), 1);
        EXPECT_FALSE(view->editor()->findChild<QMessageBox*>());
    }
}

// The page on the sample memories (one open in the editor) and on an empty store, at its smallest and a
// larger size, light and dark, kept as PNGs.
TEST_F(Page, RendersTheSamplesAndTheEmptyStoreInBothAppearances) {
    for (bool samples : {true, false}) {
        open(samples ? MemoryStore::samples(clock)->memories() : QList<Memory>());
        if (samples) {
            // A secret shows masked in its row, never a part of it.
            const QModelIndex wifi = list()->model()->index(int(rows().indexOf("家里 Wi-Fi")), 0);
            EXPECT_EQ(wifi.data(MemoryListModel::PreviewRole).toString(), "••••••");
            click("家里 Wi-Fi");
        }
        for (QSize size : {QSize(680, 440), QSize(960, 640)})
            for (bool dark : {false, true}) {
                view->setPalette(dark ? test::darkPalette() : QPalette());
                view->setAutoFillBackground(true);
                view->resize(size);
                QApplication::processEvents();
                const QImage image = view->grab().toImage();
                // Every template button shows whole, also at the smallest size.
                const QWidget* empty = find<QWidget>("empty");
                for (QAbstractButton* b : empty->findChildren<QAbstractButton*>()) {
                    const QRect r(b->mapTo(empty, QPoint()), b->size());
                    EXPECT_EQ(b->isVisible() && b->width() >= b->sizeHint().width() &&
                                  empty->rect().contains(r),
                              !samples);
                }
                test::saveArtefact(image, QString("memories-%1-%2-%3")
                                              .arg(samples ? "samples" : "empty",
                                                   QString::number(size.width()), dark ? "dark" : "light"));
            }
    }
}
