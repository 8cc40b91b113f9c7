#include "EditMenu.h"
#include "support/CapturedMessages.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace mivora;

// "粘贴" pastes into the focused field; on a focused list (where a take's Ctrl+V may land) it does nothing
// and says nothing.
TEST(EditMenu, PastesIntoTheFocusedFieldAndLeavesAWidgetWithoutTextAlone) {
    QWidget window;
    QMenu* menu = EditMenu::make(&window);
    auto* layout = new QVBoxLayout(&window);
    auto* field = new QLineEdit;
    auto* list = new QListView;
    layout->addWidget(field);
    layout->addWidget(list);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QAction* paste = nullptr;
    for (QAction* action : menu->actions())
        if (action->text() == "粘贴") paste = action;
    ASSERT_TRUE(paste);
    QGuiApplication::clipboard()->setText("北京市朝阳区");

    field->setFocus();
    paste->trigger();
    EXPECT_EQ(field->text(), "北京市朝阳区");

    list->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), list);
    {
        const test::CapturedMessages messages;
        paste->trigger();
        EXPECT_EQ(messages.said(), QStringList()) << messages.said().join('\n').toStdString();
    }
    EXPECT_EQ(field->text(), "北京市朝阳区");
}
