// An application that ignores a paste asked for before it has seen the new clipboard (gnome-terminal)
// gets the paste only once it has asked for the clipboard, or after a bounded wait; what comes meanwhile
// waits its turn, and the user's clipboard comes back whatever happens.
#include "Insertion/TextInserter.h"

#include "support/FakePlatform.h"
#include "support/FakeScheduler.h"

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

const std::vector<Pasteboard::Item> userClipboard = {{{"text/plain", "before"}}};

// A clipboard in memory that sees other programs' requests for what was written last.
class AskedPasteboard final : public Pasteboard {
public:
    MemoryPasteboard board;
    std::function<void()> asked;

    int itemCount() const override { return board.itemCount(); }
    QStringList types(int item) const override { return board.types(item); }
    std::optional<QByteArray> data(int item, const QString& type) const override {
        return board.data(item, type);
    }
    void write(const std::vector<Item>& items) override {
        asked = nullptr;
        board.write(items);
    }
    qint64 changeCount() const override { return board.changeCount(); }
    bool whenFirstAsked(std::function<void()> f) override {
        asked = std::move(f);
        return true;
    }
    // Another program asks for the contents (and has had its answer).
    void ask() {
        if (auto f = std::exchange(asked, {})) f();
    }
    QString text() const { return QString::fromUtf8(board.value("text/plain").value_or("")); }
};

class TextInserterAskTest : public ::testing::Test {
protected:
    FakeClock clock;
    FakeScheduler scheduler{clock};
    FakePlatform platform;
    AskedPasteboard pasteboard;
    FakeSyntheticKeys& keys = platform.fake.keys;
    FakeFrontApplication& front = platform.fake.front;
    std::unique_ptr<TextInserter> inserter = make();
    QStringList pasted; // the clipboard's text at each paste

    std::unique_ptr<TextInserter> make() {
        return std::make_unique<TextInserter>(pasteboard, keys, platform.accessibility(), front, scheduler);
    }
    void SetUp() override {
        pasteboard.write(userClipboard);
        front.app = FrontApp{"Gnome-terminal", 90, PasteKeys::controlShiftV, true};
        keys.onPaste = [&] { pasted << pasteboard.text(); };
    }
    InsertResult result(QCoro::Task<InsertResult>& task) {
        EXPECT_TRUE(task.isReady());
        return QCoro::waitFor(task);
    }
};

} // namespace

TEST_F(TextInserterAskTest, ThePasteWaitsForTheApplicationToAskOnlyWhereItDropsEarlyPastes) {
    auto first = inserter->insert("第一句");
    EXPECT_EQ(keys.posted, 0);
    EXPECT_EQ(pasteboard.text(), "第一句");
    pasteboard.ask();
    EXPECT_EQ(result(first), InsertResult::inserted());
    EXPECT_EQ(pasted, QStringList{"第一句"});
    EXPECT_EQ(keys.keys, PasteKeys::controlShiftV);
    scheduler.advance(0.6);
    EXPECT_EQ(pasteboard.board.items, userClipboard);

    // An application that never asks gets the paste after the bound all the same.
    auto second = inserter->insert("第二句");
    scheduler.advance(inserter->askTimeout - 0.01);
    EXPECT_EQ(keys.posted, 1);
    scheduler.advance(0.02);
    EXPECT_EQ(result(second), InsertResult::inserted());
    EXPECT_EQ(pasted.last(), "第二句");
    EXPECT_EQ(scheduler.pending(), 1u); // the restore; no timer of the wait is left behind
    scheduler.advance(0.6);
    EXPECT_EQ(pasteboard.board.items, userClipboard);

    // Any other application is pasted into at once.
    for (const FrontApp& app :
         {FrontApp{"Lxterminal", 78, PasteKeys::controlShiftV}, FrontApp{"Gedit", 79}}) {
        front.app = app;
        platform.fake.accessibility.apps[79] = FakeElement("AXTextArea");
        auto task = inserter->insert("别处");
        EXPECT_EQ(result(task), InsertResult::inserted()) << app.identifier.toStdString();
        EXPECT_EQ(pasted.last(), "别处");
    }
}

TEST_F(TextInserterAskTest, AnInsertionDuringTheWaitGoesAfterItAndTheClipboardStillComesBack) {
    auto first = inserter->insert("第一句");
    auto second = inserter->insert("第二句");
    EXPECT_EQ(pasteboard.text(), "第一句"); // the second does not take the clipboard from under the first
    pasteboard.ask();
    EXPECT_EQ(result(first), InsertResult::inserted());
    EXPECT_FALSE(second.isReady()); // now waiting for the application to ask for its own text
    EXPECT_EQ(pasteboard.text(), "第二句");
    pasteboard.ask();
    EXPECT_EQ(result(second), InsertResult::inserted());
    EXPECT_EQ(pasted, QStringList({"第一句", "第二句"}));
    scheduler.advance(0.6);
    EXPECT_EQ(pasteboard.board.items, userClipboard);

    // An inserter that goes away during a wait gives the clipboard back and ends what waits.
    auto third = inserter->insert("第三句");
    auto fourth = inserter->insert("第四句");
    inserter.reset();
    EXPECT_EQ(pasteboard.board.items, userClipboard);
    EXPECT_TRUE(third.isReady() && fourth.isReady());
    EXPECT_FALSE(QCoro::waitFor(third).isInserted());
    scheduler.advance(2);
    EXPECT_EQ(pasted.size(), 2);
    EXPECT_EQ(pasteboard.board.items, userClipboard);
}
