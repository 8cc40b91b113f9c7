#include "Suggest/SuggestController.h"

#include "Keys/KeyTap.h"
#include "Memories/MemoryStore.h"
#include "Platform/KeyCodes.h"

#include "support/FakeInserter.h"
#include "support/FakeKeySource.h"
#include "support/FakePlatform.h"
#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"

#include <gtest/gtest.h>

namespace mivora::test {
namespace {

using Caret = CaretReader::Caret;
const std::set<int> offerKeys = {KeyCode::tab, KeyCode::escape};

struct SuggestControllerTest : ::testing::Test {
    FakeClock clock;
    FakeScheduler scheduler{clock};
    MemoryDefaults defaults;
    FakePlatform platform;
    FakeInserter inserter;
    std::unique_ptr<MemoryStore> store = MemoryStore::scratch(clock);
    CaretReader reader{platform};
    KeyTap tap{std::make_unique<FakeKeySource>(), clock};
    SuggestController controller{inserter, store.get(), reader,    platform.frontApplication(),
                                 tap,      defaults,    scheduler, clock};
    std::optional<Caret> caret;
    int reads = 0;
    QStringList logs;
    std::vector<int> acceptedChars;

    SuggestControllerTest() {
        store->upsert(Memory{.title = "公司地址", .value = "北京市朝阳区"});
        store->upsert(Memory{.title = "地址", .value = "家里"});
        controller.read = [this] { return ++reads, caret; };
        controller.log = [this](const QString& line) { logs << line; };
        controller.onAccepted = [this](int n) { acceptedChars.push_back(n); };
    }
    // A key pressed and released, as the tap hands it on; the key-down's answer.
    bool press(int code) {
        const bool swallowed = controller.handle(KeyInput::keyDown(code));
        controller.handle(KeyInput::keyUp(code));
        return swallowed;
    }
    // Typing that leaves `before` in front of the caret, then the pause that lets the check run.
    void typeAndPause(const QString& before, const QString& key) {
        caret = Caret{before, QRectF(500, 300, 1, 18), key};
        press(KeyCode::a);
        scheduler.advance(controller.debounce);
    }
    const Memory& stored(const QString& title) {
        return *std::find_if(store->memories().begin(), store->memories().end(),
                             [&](const Memory& m) { return m.title == title; });
    }
};

TEST_F(SuggestControllerTest, OneCheckAfterABurstOneRecheckAndTheOfferGoesAfterSixSeconds) {
    caret = Caret{"随便写点", QRectF(500, 300, 1, 18), "1:4:随便写点"};
    for (int i = 0; i < 5; ++i) {
        press(KeyCode::a);
        scheduler.advance(0.1);
    }
    EXPECT_EQ(reads, 0);
    scheduler.advance(0.08);
    EXPECT_EQ(reads, 1);
    scheduler.advance(0.35); // no match: looked at once more, then never again
    scheduler.advance(10);
    EXPECT_EQ(reads, 2);

    typeAndPause("寄到我的公司地址", "1:8:寄到我的公司地址");
    ASSERT_TRUE(controller.offer());
    EXPECT_EQ(controller.offer()->title, "公司地址");
    EXPECT_EQ(controller.offer()->preview, "北京市朝阳区");
    EXPECT_EQ(controller.offer()->rect, QRectF(500, 300, 1, 18));
    EXPECT_EQ(tap.swallowable(), offerKeys);
    EXPECT_TRUE(logs.contains("打字触发：递上一条"));
    controller.handle(KeyInput::shift(true)); // Shift alone leaves the offer
    scheduler.advance(5.9);
    EXPECT_TRUE(controller.offer());
    scheduler.advance(0.2);
    EXPECT_FALSE(controller.offer());
    EXPECT_TRUE(tap.swallowable().empty());
}

TEST_F(SuggestControllerTest, TabInsertsEscDismissesForThisPlaceAndOtherKeysPassThrough) {
    typeAndPause("我的公司地址", "1:6:我的公司地址");
    EXPECT_TRUE(controller.handle(KeyInput::keyDown(KeyCode::escape)));
    EXPECT_FALSE(controller.offer());
    EXPECT_EQ(tap.swallowable(), std::set<int>{KeyCode::escape}); // until its key-up
    EXPECT_TRUE(controller.handle(KeyInput::keyUp(KeyCode::escape)));
    typeAndPause("我的公司地址", "1:6:我的公司地址"); // the same place: nothing again
    EXPECT_FALSE(controller.offer());

    typeAndPause("我的公司地址", "1:7:我的公司地址");
    EXPECT_FALSE(press(KeyCode::b)); // another key dismisses and reaches the application
    EXPECT_FALSE(controller.offer());

    typeAndPause("我的公司地址", "1:8:我的公司地址");
    EXPECT_TRUE(controller.handle(KeyInput::keyDown(KeyCode::tab)));
    scheduler.advance(6.1); // the offer's timer is long gone when Tab comes up: still swallowed
    EXPECT_TRUE(controller.handle(KeyInput::keyUp(KeyCode::tab)));
    EXPECT_EQ(inserter.texts, std::vector<QString>{"：北京市朝阳区"});
    EXPECT_EQ(acceptedChars, std::vector<int>{7});
    EXPECT_EQ(stored("公司地址").useCount, 1);
    EXPECT_EQ(logs.last(), "打字触发：已填入");
}

TEST_F(SuggestControllerTest, ASensitiveMemoryNeedsASecondTab) {
    Memory secret = stored("公司地址");
    secret.sensitive = true;
    store->upsert(secret);
    typeAndPause("我的公司地址", "1:6:我的公司地址");
    EXPECT_EQ(controller.offer()->preview, "••••••");
    press(KeyCode::tab);
    EXPECT_TRUE(controller.offer()->armed);
    EXPECT_TRUE(inserter.texts.empty());
    controller.handle(KeyInput::keyDown(KeyCode::tab, true)); // an auto-repeat counts as the second
    EXPECT_EQ(inserter.secret, std::vector<bool>{true});
}

TEST_F(SuggestControllerTest, ALooseWordIgnoredTwiceIsMutedUntilAnExplicitOfferIsAccepted) {
    for (const char* key : {"1:2:地址", "1:3:地址"}) {
        typeAndPause("地址", key);
        ASSERT_TRUE(controller.offer()) << key;
        scheduler.advance(6); // ignored
    }
    EXPECT_EQ(logs.last(), "打字触发：一个词连续被无视，之后只在明确说法下出现");
    EXPECT_EQ(controller.mutedCount(), 1);
    typeAndPause("地址", "1:4:地址");
    EXPECT_FALSE(controller.offer());
    typeAndPause("地址：", "1:5:地址："); // explicit: offered, and accepting it unmutes the word
    press(KeyCode::tab);
    EXPECT_EQ(controller.mutedCount(), 0);
}

TEST_F(SuggestControllerTest, WithoutAReadableCaretPinyinCommitsAreMatched) {
    reader.lastFailure = "读不到焦点（editor）";
    const auto commit = [&](const char* letters, int code) {
        for (const char* c = letters; *c; ++c)
            for (int k = 0; k < 64; ++k)
                if (PinyinBuffer::letter(k) == QChar(*c)) press(k);
        press(code);
        scheduler.advance(controller.debounce);
    };
    commit("xyzxyz", KeyCode::space);
    commit("wodegongsidizhi", KeyCode::space);
    ASSERT_TRUE(controller.offer());
    EXPECT_EQ(controller.offer()->rect, QRectF());
    EXPECT_EQ(logs, QStringList({"打字触发：读不到焦点（editor）", "打字触发：拼音上屏没对上（6 个字母）",
                                 "打字触发：递上一条（按拼音）"}));
    press(KeyCode::escape); // dismissed: this commit is not offered again
    controller.handle(KeyInput::keyUp(KeyCode::a));
    scheduler.advance(1);
    EXPECT_FALSE(controller.offer());
}

} // namespace
} // namespace mivora::test
