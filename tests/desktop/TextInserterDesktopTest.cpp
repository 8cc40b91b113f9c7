#include "Insertion/TextInserter.h"

#include "LinuxDesktop.h"
#include "support/ChildProcess.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <QWidget>

using namespace mivora;
using namespace mivora::test;

namespace {

using TextInserterDesktop = LinuxDesktop;

// Another application's copy, text and image, comes back after the paste as our own copy of its data, with
// none of the markers that keep our text out of clipboard managers.
TEST_F(TextInserterDesktop, APasteIntoAnotherApplicationGivesItsOwnersClipboardBack) {
    TextInserter inserter{*platform, scheduler};
    ChildProcess owner, target;
    ASSERT_TRUE(owner.start("mivora_clipboard", {"之前复制的"}) && owner.waitForLine("ready"));
    const QByteArray image = clipboardAs("image/png");
    ASSERT_TRUE(image.startsWith("\x89PNG"));
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target"));
    ASSERT_TRUE(waitUntil([&] { return inserter.currentFocus() == FocusKind::text; }, desktopDeadlineMs));
    EXPECT_EQ(QCoro::waitFor(inserter.insert("明天上午十点开会")), InsertResult::inserted());
    EXPECT_TRUE(target.waitForLine("text:明天上午十点开会")) << target.lines().join('\n').toStdString();
    owner.stop();
    EXPECT_TRUE(waitUntil([] { return clipboardAs("UTF8_STRING") == QString("之前复制的").toUtf8(); },
                          desktopDeadlineMs));
    EXPECT_EQ(clipboardAs("image/png"), image);
    EXPECT_FALSE(clipboardAs("TARGETS").contains("org.nspasteboard.TransientType"));
}

// The focus moves inside the other application between the read-ahead and the insertion: out of its field
// onto a button the text stays on the clipboard; back into the field it is pasted, and the clipboard from
// before comes back.
TEST_F(TextInserterDesktop, TheInsertionGoesByWhereTheFocusIsAfterTheReadAhead) {
    TextInserter inserter{*platform, scheduler};
    ChildProcess target;
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target", {"--button"}));
    ASSERT_TRUE(waitUntil([&] { return inserter.currentFocus() == FocusKind::text; }, desktopDeadlineMs));
    const Accessibility::FocusRead field = platform->accessibility().focusedElement(target.processId());
    ASSERT_TRUE(field.element);
    EXPECT_TRUE(field.element->stillFocused());
    inserter.prepare();
    runTool("xdotool", {"key", "Tab"});
    ASSERT_TRUE(waitUntil([&] { return inserter.currentFocus() == FocusKind::other; }, desktopDeadlineMs));
    EXPECT_FALSE(field.element->stillFocused());
    EXPECT_EQ(QCoro::waitFor(inserter.insert("不进输入框")), InsertResult::copied(InsertPlan::pasteHint()));
    EXPECT_EQ(clipboardAs("UTF8_STRING"), QString("不进输入框").toUtf8());

    inserter.prepare();
    runTool("xdotool", {"key", "shift+Tab"});
    ASSERT_TRUE(waitUntil([&] { return inserter.currentFocus() == FocusKind::text; }, desktopDeadlineMs));
    EXPECT_EQ(QCoro::waitFor(inserter.insert("进了输入框")), InsertResult::inserted());
    EXPECT_TRUE(target.waitForLine("text:进了输入框")) << target.lines().join('\n').toStdString();
    const auto again = field.element->stillFocused(); // the same field, with its states read now
    ASSERT_TRUE(again);
    EXPECT_EQ(again->role(), "AXTextField");
    EXPECT_TRUE(again->isSelectedTextSettable());
    EXPECT_TRUE(waitUntil([] { return clipboardAs("UTF8_STRING") == QString("不进输入框").toUtf8(); },
                          desktopDeadlineMs));
}

// Our own window in front: its focused field is read in this process (over the bus we could not answer
// ourselves), so a take into one of our own fields is a paste like any other.
TEST_F(TextInserterDesktop, OurOwnWindowsFocusedFieldIsReadInProcess) {
    TextInserter inserter{*platform, scheduler};
    QWidget window;
    auto* area = new QPlainTextEdit(&window);
    auto* secret = new QLineEdit(&window);
    secret->setEchoMode(QLineEdit::Password);
    auto* column = new QVBoxLayout(&window);
    column->addWidget(area);
    column->addWidget(secret);
    window.show();
    window.activateWindow();
    area->setFocus();
    const qint64 self = QCoreApplication::applicationPid();
    ASSERT_TRUE(waitUntil([&] { return inserter.currentFocus() == FocusKind::text; }, desktopDeadlineMs));
    Accessibility::FocusRead read = platform->accessibility().focusedElement(self);
    ASSERT_TRUE(read.element);
    EXPECT_EQ(read.element->role(), "AXTextArea");
    EXPECT_TRUE(read.element->isSelectedTextSettable());
    EXPECT_FALSE(read.element->isPasswordText());

    secret->setFocus();
    read = platform->accessibility().focusedElement(self);
    ASSERT_TRUE(read.element);
    EXPECT_EQ(read.element->role(), "AXTextField");
    EXPECT_TRUE(read.element->isPasswordText());

    area->setReadOnly(true);
    area->setFocus();
    read = platform->accessibility().focusedElement(self);
    ASSERT_TRUE(read.element);
    EXPECT_EQ(read.element->role(), "AXStaticText");
    EXPECT_FALSE(read.element->isValueSettable());

    window.hide();
    EXPECT_TRUE(waitUntil(
        [&] { return platform->accessibility().focusedElement(self).error == Accessibility::noValue; },
        desktopDeadlineMs));
}

} // namespace
