#include "Platform/Linux/QtPasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <gtest/gtest.h>

using namespace mivora;

TEST(QtPasteboard, WritesReadsAndCountsChanges) {
    QtPasteboard board;
    const qint64 start = board.changeCount();
    const Pasteboard::Item item = {{"text/plain", QString("你好").toUtf8()},
                                   {"image/png", QByteArray("\x89PNG", 4)},
                                   {"org.nspasteboard.source", "Mivora"}};
    board.write({item});
    EXPECT_GT(board.changeCount(), start);
    EXPECT_EQ(board.itemCount(), 1);
    EXPECT_EQ(board.types(0), QStringList({"text/plain", "image/png", "org.nspasteboard.source"}));
    EXPECT_EQ(board.data(0, "image/png"), QByteArray("\x89PNG", 4));
    EXPECT_EQ(board.data(0, "text/html"), std::nullopt);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "你好");

    // Another writer (here Qt itself) counts as a change too.
    const qint64 afterWrite = board.changeCount();
    QGuiApplication::clipboard()->setText("someone else");
    EXPECT_GT(board.changeCount(), afterWrite);

    board.write({});
    EXPECT_EQ(board.itemCount(), 0);
    EXPECT_TRUE(board.types(0).isEmpty());
}
