#include "Platform/Linux/QtPasteboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include <gtest/gtest.h>

using namespace mivora;

// What the user copies elsewhere must count as a change, or a restore due would overwrite it.
TEST(QtPasteboard, CountsOurWritesAndOtherWriters) {
    QtPasteboard board;
    const qint64 start = board.changeCount();
    board.write({{{"text/plain", QString("你好").toUtf8()}}});
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "你好");
    const qint64 afterWrite = board.changeCount();
    EXPECT_GT(afterWrite, start);
    QGuiApplication::clipboard()->setText("someone else");
    EXPECT_GT(board.changeCount(), afterWrite);
    board.write({}); // an empty clipboard given back is empty, not left holding our text
    EXPECT_EQ(board.itemCount(), 0);
}
