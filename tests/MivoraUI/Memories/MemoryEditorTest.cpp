#include "MivoraUI/Memories/MemoryEditor.h"

#include "Memories/MemoryTemplate.h"
#include "support/FakeScheduler.h"
#include "support/Render.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;

class Editor : public ::testing::Test {
protected:
    // A shown, active editor, so that Ctrl+S reaches it as it would in the window.
    MemoryEditor& open(Memory memory, bool isNew) {
        editor = std::make_unique<MemoryEditor>(std::move(memory), isNew);
        editor->resize(480, 440);
        editor->show();
        editor->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(editor.get()));
        saved = std::make_unique<QSignalSpy>(editor.get(), &MemoryEditor::saveRequested);
        return *editor;
    }
    template <typename T> T* field(const char* name) { return editor->findChild<T*>(name); }
    QAbstractButton* button(const char* name) { return field<QAbstractButton>(name); }
    void type(const char* name, const QString& text) {
        if (auto* line = field<QLineEdit>(name)) return line->setText(text);
        field<QPlainTextEdit>(name)->setPlainText(text);
    }
    void pressSave() { QTest::keyClick(field<QLineEdit>("title"), Qt::Key_S, Qt::ControlModifier); }
    Memory lastSaved() const { return saved->last().first().value<Memory>(); }

    test::FakeClock clock;
    std::unique_ptr<MemoryEditor> editor;
    std::unique_ptr<QSignalSpy> saved;
};

// Saving waits for a title and a value that are more than blanks, and
// Ctrl+S does nothing until then; the title goes trimmed, the value as typed, the names split.
TEST_F(Editor, SaveWaitsForATitleAndAValueAndHandsOnWhatWasTypedWithTheNamesSplit) {
    open(MemoryTemplate(MemoryTemplate::home).memory(clock), true);

    type("title", " \t ");
    type("value", "上海");
    EXPECT_FALSE(button("save")->isEnabled());
    type("title", "  家 ");
    type("value", " \n\t\n");
    EXPECT_FALSE(button("save")->isEnabled());
    pressSave();
    EXPECT_EQ(saved->count(), 0);

    type("value", "\n上海\u00a0浦东\n");
    ASSERT_TRUE(button("save")->isEnabled());
    pressSave();
    ASSERT_EQ(saved->count(), 1);
    EXPECT_EQ(lastSaved().title, "家");
    EXPECT_EQ(lastSaved().value, "\n上海\u00a0浦东\n");
    EXPECT_EQ(field<QLineEdit>("title")->text(), "  家 ");

    // Names are split at the five separators only, trimmed of spaces and tabs, empty ones dropped; a space
    // separates nothing and a name given twice is kept twice.
    open({.title = "公司地址", .value = "徐汇区"}, false);
    type("aliases", "公司，单位, 办公室;;上班 的地方、 公司 ；\t；");
    pressSave();
    ASSERT_EQ(saved->count(), 1);
    EXPECT_EQ(lastSaved().aliases, (QStringList{"公司", "单位", "办公室", "上班 的地方", "公司"}));
    EXPECT_EQ(MemoryEditor::splitAliases(" ，,\t"), QStringList{});
}

// The sensitive toggle stands out from the page in both appearances, off as well as on: some of its
// pixels differ clearly from the page beside it.
TEST_F(Editor, TheSensitiveToggleCanBeSeenInBothAppearances) {
    for (bool dark : {false, true}) {
        for (bool on : {false, true}) {
            open(MemoryTemplate(MemoryTemplate::home).memory(clock), true);
            auto* toggle = button("sensitive");
            ASSERT_TRUE(toggle);
            toggle->setChecked(on);
            const QImage page = test::render(*editor, dark);
            const QRect box = toggle->geometry();
            const QRgb beside = test::pixel(page, box.topLeft() - QPoint(4, 0));
            int strongest = 0;
            for (int y = box.top(); y <= box.bottom(); ++y)
                for (int x = box.left(); x <= box.right(); ++x)
                    strongest =
                        std::max(strongest, std::abs(qGray(test::pixel(page, {x, y})) - qGray(beside)));
            EXPECT_GE(strongest, 60) << (dark ? "dark" : "light") << (on ? " on" : " off");
        }
    }
}

// The field shows CR, CR LF, U+2028 and U+2029 as line feeds. A value the user has not touched is saved as
// it is stored, and follows the store while open (another device's edit comes in and the save keeps it);
// once touched, it saves as typed and no longer follows.
TEST_F(Editor, AnUntouchedValueKeepsItsLineBreaksAndFollowsTheStore) {
    for (const QString& br :
         {QString("\r"), QString("\r\n"), QString(QChar(0x2028)), QString(QChar(0x2029))}) {
        const Memory stored{.title = "家", .value = "上海" + br + "浦东" + br};
        open(stored, false);
        type("title", "老家");
        pressSave();
        ASSERT_EQ(saved->count(), 1);
        EXPECT_EQ(lastSaved().value, stored.value) << int(br.back().unicode());

        Memory synced = stored;
        synced.value = "徐汇" + br + "漕溪北路";
        editor->follow(synced);
        EXPECT_EQ(field<QPlainTextEdit>("value")->toPlainText(), "徐汇\n漕溪北路");
        pressSave();
        ASSERT_EQ(saved->count(), 2);
        EXPECT_EQ(lastSaved().value, synced.value);
        EXPECT_EQ(lastSaved().title, "老家");

        type("value", "徐汇" + br + "漕溪北路 88 号");
        Memory later = synced;
        later.value = "闵行";
        editor->follow(later);
        pressSave();
        ASSERT_EQ(saved->count(), 3);
        EXPECT_EQ(lastSaved().value, "徐汇\n漕溪北路 88 号");
    }
}
