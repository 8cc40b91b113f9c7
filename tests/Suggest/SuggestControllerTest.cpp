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

    SuggestControllerTest() {
        store->upsert(Memory{.title = "公司地址", .value = "北京市朝阳区"});
        store->upsert(Memory{.title = "地址", .value = "家里"});
        controller.read = [this] { return ++reads, caret; };
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
    EXPECT_EQ(tap.swallowable(), offerKeys);
    controller.handle(KeyInput::shift(true)); // Shift alone leaves the offer
    scheduler.advance(5.9);
    EXPECT_TRUE(controller.offer());
    scheduler.advance(0.2);
    EXPECT_FALSE(controller.offer());
    EXPECT_TRUE(tap.swallowable().empty()) << "Tab and Esc go back to the applications";
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
    EXPECT_TRUE(inserter.texts.empty()) << "inserted inside the key's handler";
    scheduler.advance(0);
    EXPECT_EQ(inserter.secret, std::vector<bool>{true});
}

// Dismissing an explicit offer says nothing about the loose word: "地址：" ignored twice mutes nothing, nor
// does a strong offer left to time out.
TEST_F(SuggestControllerTest, ALooseWordIgnoredTwiceIsMutedUntilAnExplicitOfferIsAccepted) {
    for (const char* key : {"1:3:地址：", "1:4:地址："}) {
        typeAndPause("地址：", key);
        ASSERT_TRUE(controller.offer()) << key;
        press(KeyCode::escape);
    }
    typeAndPause("寄到公司地址", "1:6:寄到公司地址"); // strong by its length
    scheduler.advance(6);
    EXPECT_EQ(controller.mutedCount(), 0);
    EXPECT_TRUE(defaults.value(SuggestController::ignoredKey).toMap().isEmpty());

    for (const char* key : {"1:2:地址", "1:3:地址"}) {
        typeAndPause("地址", key);
        ASSERT_TRUE(controller.offer()) << key;
        scheduler.advance(6); // ignored
    }
    EXPECT_EQ(controller.mutedCount(), 1);
    typeAndPause("地址", "1:4:地址");
    EXPECT_FALSE(controller.offer());
    typeAndPause("地址：", "1:5:地址："); // explicit: offered, and accepting it unmutes the word
    press(KeyCode::tab);
    EXPECT_EQ(controller.mutedCount(), 0);
}

// Each offer's six seconds are its own: the timer of an offer dismissed earlier neither takes down a later
// offer at another place nor counts it as ignored.
TEST_F(SuggestControllerTest, AnEarlierOffersTimerLeavesALaterOfferAlone) {
    typeAndPause("寄到我的公司地址", "1:8:寄到我的公司地址");
    ASSERT_TRUE(controller.offer());
    scheduler.advance(1);
    EXPECT_TRUE(press(KeyCode::escape));
    EXPECT_FALSE(controller.offer());
    scheduler.advance(1);
    typeAndPause("地址", "1:2:地址"); // a loose offer, presented 2.2 s after the first
    ASSERT_TRUE(controller.offer());
    scheduler.advance(4); // the first offer's six seconds are up
    EXPECT_TRUE(controller.offer());
    EXPECT_FALSE(defaults.value(SuggestController::ignoredKey).isValid());
    scheduler.advance(2.1);
    EXPECT_FALSE(controller.offer());
    EXPECT_EQ(defaults.value(SuggestController::ignoredKey).toMap().value("地址").toInt(), 1);
}

// A password field: nothing typed into it feeds the pinyin letters, offers or is logged. Found by the check
// after a pause, what came before is dropped; the keys after it feed nothing until a check finds another
// field; Tab passes.
TEST_F(SuggestControllerTest, APasswordFieldFoundByTheCheckGetsNoOfferAndLeavesNoLine) {
    QStringList logs;
    controller.log = [&](const QString& line) { logs << line; };
    controller.passwordField = [] { return false; }; // the field's kind not known yet
    bool password = true;
    controller.read = [&]() -> std::optional<Caret> {
        reader.refusedPassword = password;
        reader.lastFailure = password ? "安全输入（?）" : "读不到焦点（mivora_target）";
        return std::nullopt;
    };
    for (const int key : {KeyCode::g, KeyCode::s, KeyCode::d, KeyCode::z, KeyCode::digit1})
        press(key);
    scheduler.advance(controller.debounce);
    EXPECT_FALSE(controller.offer());
    EXPECT_FALSE(press(KeyCode::tab));
    for (const int key : {KeyCode::a, KeyCode::b, KeyCode::c})
        press(key);
    scheduler.advance(controller.debounce);
    press(KeyCode::minus);
    scheduler.advance(controller.debounce);
    EXPECT_EQ(logs, QStringList{"打字触发：安全输入（?）"});

    // Still taken for the password field until a check says otherwise: its letters join nothing.
    for (const int key : {KeyCode::g, KeyCode::s})
        controller.handle(KeyInput::keyDown(key));
    password = false;
    for (const int key : {KeyCode::d, KeyCode::z, KeyCode::digit1})
        press(key);
    scheduler.advance(controller.debounce);
    EXPECT_FALSE(controller.offer());
    for (const int key : {KeyCode::g, KeyCode::s, KeyCode::d, KeyCode::z, KeyCode::digit1})
        press(key);
    scheduler.advance(controller.debounce);
    EXPECT_TRUE(controller.offer()) << "another field is followed again";
}

// The field is looked at as the first key comes, and whenever the focus may have moved: into a password
// field by a click, its keys feed nothing from the first, nor name a key in the log of a field that could
// not be read.
TEST_F(SuggestControllerTest, KeysFeedNothingFromTheFirstOneTypedIntoAPasswordField) {
    QStringList logs;
    controller.log = [&](const QString& line) { logs << line; };
    bool password = false;
    int looks = 0;
    controller.passwordField = [&] { return ++looks, password; };
    controller.read = [&]() -> std::optional<Caret> {
        reader.lastFailure = "读不到焦点（mivora_target）";
        return std::nullopt;
    };
    press(KeyCode::a);
    scheduler.advance(controller.debounce);
    EXPECT_EQ(looks, 1);
    press(KeyCode::b);
    EXPECT_EQ(looks, 1) << "not on every key";

    password = true;
    controller.handle(KeyInput::mouseDown());
    for (const int key : {KeyCode::g, KeyCode::s, KeyCode::d, KeyCode::z, KeyCode::digit1})
        controller.handle(KeyInput::keyDown(key));
    password = false; // and back out unseen: the letters typed in there must not count
    controller.handle(KeyInput::keyUp(KeyCode::digit1));
    scheduler.advance(controller.debounce);
    EXPECT_FALSE(controller.offer());

    // A note names the key that emptied the letters: the focus may have gone into a password field unseen.
    for (const int key : {KeyCode::a, KeyCode::b, KeyCode::c})
        press(key);
    password = true;
    press(KeyCode::minus);
    EXPECT_EQ(logs.filter("拼音").size(), 0) << logs.join('\n').toStdString();
}

// The Tab that accepts is Tab alone, and one the applications do not get: with a modifier held, or taken by
// another program first (the window manager's Alt+Tab), it is any other key and the offer just goes.
TEST_F(SuggestControllerTest, OnlyABareTabThatIsOursAccepts) {
    tap.handler = [this](const KeyInput& input, double) { return controller.handle(input); };
    const auto tabDown = [&](std::uint64_t flags, bool swallowable) {
        KeyEvent down{KeyEvent::keyDown, KeyCode::tab, false, flags, 0};
        down.swallowable = swallowable;
        const bool swallowed = tap.process(down);
        tap.process({KeyEvent::keyUp, KeyCode::tab, false, flags, 0});
        return swallowed;
    };
    int place = 0;
    for (const auto& [flags, swallowable] :
         std::vector<std::pair<std::uint64_t, bool>>{{KeyEvent::optionFlag, true},
                                                     {KeyEvent::controlFlag, true},
                                                     {KeyEvent::shiftFlag, true},
                                                     {0, false}}) {
        ++place;
        typeAndPause("寄到我的公司地址", QString("1:%1:寄到我的公司地址").arg(place));
        ASSERT_TRUE(controller.offer()) << place;
        EXPECT_FALSE(tabDown(flags, swallowable)) << place;
        EXPECT_FALSE(controller.offer()) << place;
    }
    EXPECT_TRUE(inserter.texts.empty());
    EXPECT_EQ(controller.accepted(), 0);
    typeAndPause("寄到我的公司地址", "1:9:寄到我的公司地址");
    EXPECT_TRUE(tabDown(0, true));
    EXPECT_EQ(controller.accepted(), 1);
}

// The key source holds the keyboard while the accepting Tab is down, which a GTK field takes for a loss of
// focus: the fill reads the focus once Tab is up, from the event loop, never inside Tab's handler.
TEST_F(SuggestControllerTest, TheFillStartsOnceTheAcceptingTabIsUp) {
    tap.handler = [this](const KeyInput& input, double) { return controller.handle(input); };
    typeAndPause("寄到我的公司地址", "1:8:寄到我的公司地址");
    ASSERT_TRUE(controller.offer());
    EXPECT_TRUE(tap.process({KeyEvent::keyDown, KeyCode::tab, false, 0, 0}));
    EXPECT_EQ(controller.accepted(), 1);
    scheduler.advance(1);
    EXPECT_TRUE(inserter.texts.empty()) << "Tab is still down";
    EXPECT_TRUE(tap.process({KeyEvent::keyUp, KeyCode::tab, false, 0, 0}));
    EXPECT_TRUE(inserter.texts.empty()) << "inside Tab's key-up handler";
    scheduler.advance(0);
    EXPECT_EQ(inserter.texts, std::vector<QString>{"：北京市朝阳区"});
}

} // namespace
} // namespace mivora::test
