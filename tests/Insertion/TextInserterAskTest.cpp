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
        taken = nullptr;
        board.write(items);
        ours = takenOver == 0;
        if (ours) return;
        board.write(userClipboard); // a clipboard manager puts its newest entry back at once
        if (takenOver > 0) --takenOver;
    }
    qint64 changeCount() const override { return board.changeCount(); }
    bool whenFirstAsked(std::function<void()> f) override {
        asked = std::move(f);
        return true;
    }
    bool whenTaken(std::function<void()> f) override {
        if (!seesTakes) return false;
        taken = std::move(f);
        return true;
    }
    bool stillOurs() const override { return ours; }
    // The front application asks for the data (and has had its answer).
    void take() {
        if (auto f = std::exchange(taken, {})) f();
    }
    bool seesTakes = false;
    std::function<void()> taken;
    bool ours = true;
    int takenOver = 0; // how many of the next writes are taken over at once; -1 for all
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

// Where the clipboard sees who asks for it, a paste counts once the front application has taken the text,
// however late it asks (a Java Swing window asks up to a second after its key); the user's clipboard comes
// back only after that. One that never takes it did not get it, and the text stays to paste by hand.
TEST_F(TextInserterAskTest, APasteCountsOnceTheApplicationTookTheTextAndTheClipboardComesBackAfterThat) {
    pasteboard.seesTakes = true;
    front.app = FrontApp{"Swing", 79};
    platform.fake.accessibility.apps[79] = FakeElement("AXTextArea");
    auto late = inserter->insert("晚到的请求");
    EXPECT_EQ(keys.posted, 1);
    scheduler.advance(0.9); // past the delay a restore once had: the text is still there to take
    EXPECT_FALSE(late.isReady());
    EXPECT_EQ(pasteboard.text(), "晚到的请求");
    pasteboard.take();
    EXPECT_EQ(result(late), InsertResult::inserted());
    scheduler.advance(inserter->restoreDelay - 0.01);
    EXPECT_EQ(pasteboard.text(), "晚到的请求");
    scheduler.advance(0.02);
    EXPECT_EQ(pasteboard.board.items, userClipboard);

    auto never = inserter->insert("没人要");
    scheduler.advance(inserter->takeBound + 0.01);
    EXPECT_EQ(result(never), InsertResult::copied(InsertPlan::pasteHint()));
    EXPECT_EQ(pasteboard.text(), "没人要");
    EXPECT_EQ(scheduler.pending(), 0u); // nothing left to give back over it

    // A secret that was not taken stays where the front application alone can paste it by hand.
    auto secret = inserter->insertSensitive("PWX7731SECRET");
    scheduler.advance(inserter->takeBound + 0.01);
    EXPECT_EQ(result(secret), InsertResult::copied(InsertPlan::pasteHint()));
    EXPECT_EQ(pasteboard.text(), "PWX7731SECRET");
}

// A clipboard manager that puts its newest entry back the moment the clipboard changes would have the paste
// take that entry: the text is written once more before the key goes out, and when the clipboard cannot be
// kept nothing is pasted and the user is told.
TEST_F(TextInserterAskTest, ThePasteGoesOutOnlyWhileTheClipboardHoldsOurText) {
    pasteboard.seesTakes = true;
    front.app = FrontApp{"Gedit", 79};
    platform.fake.accessibility.apps[79] = FakeElement("AXTextArea");
    pasteboard.takenOver = -1;
    auto refused = inserter->insert("被换掉");
    EXPECT_EQ(result(refused), InsertResult::copied(InsertPlan::pasteHint()));
    EXPECT_EQ(keys.posted, 0);

    // Taken over once: the second write holds, and the paste takes our text.
    pasteboard.takenOver = 1;
    auto retaken = inserter->insert("第一句");
    EXPECT_FALSE(retaken.isReady());
    pasteboard.take();
    EXPECT_EQ(result(retaken), InsertResult::inserted());
    EXPECT_EQ(pasted, QStringList{"第一句"});
}
