#include "Suggest/SuggestController.h"

#include "Keys/KeyTap.h"
#include "Memories/MemoryStore.h"
#include "Platform/KeyCodes.h"

#include "support/FakeInserter.h"
#include "support/FakeKeySource.h"
#include "support/FakePlatform.h"
#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"

#include <QRegularExpression>

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
    FakeKeySource* source = new FakeKeySource; // owned by the tap
    KeyTap tap{std::unique_ptr<KeySource>(source), clock};
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
    // Typing that leaves `before` in front of the caret, then the pause that lets the check run. The key
    // types itself: a letter would leave an input method composing.
    void typeAndPause(const QString& before, const QString& key) {
        caret = Caret{before, QRectF(500, 300, 1, 18), key};
        press(KeyCode::minus);
        scheduler.advance(controller.debounce);
    }
    // Letter keys, each pressed and released.
    void typeKeys(const char* letters) {
        for (const char* c = letters; *c; ++c)
            for (int code = 0; code < 128; ++code)
                if (PinyinBuffer::letter(code) == QChar(*c)) press(code);
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

// On a busy machine the program gets to a key well after the source read it, and a look at the field may come
// in between: a key read before that look is in what the offer was made from, and leaves it; a key read
// after it ends the offer as any key does.
TEST_F(SuggestControllerTest, OnlyAKeyReadAfterTheLookThatMadeTheOfferEndsIt) {
    clock.advance(1);
    const double typed = clock.uptime();
    clock.advance(0.01);
    typeAndPause("我的公司地址", "1:6:我的公司地址");
    ASSERT_TRUE(controller.offer());
    KeyInput late = KeyInput::keyDown(KeyCode::minus);
    late.pressedAt = typed;
    controller.handle(late);
    EXPECT_TRUE(controller.offer()) << "a key typed before the look";
    press(KeyCode::tab);
    scheduler.advance(0);
    ASSERT_EQ(inserter.texts.size(), 1u);

    typeAndPause("寄到我的公司地址", "1:8:寄到我的公司地址");
    ASSERT_TRUE(controller.offer());
    KeyInput next = KeyInput::keyDown(KeyCode::minus);
    next.pressedAt = clock.uptime();
    controller.handle(next);
    EXPECT_FALSE(controller.offer()) << "a key typed after the look";
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

// The log says a memory was filled only once the insertion says it went in; a fill the inserter could only
// leave on the clipboard says so instead, with the inserter's hint.
TEST_F(SuggestControllerTest, AFillIsLoggedFromWhatTheInsertionDid) {
    QStringList logs;
    controller.log = [&](const QString& line) { logs << line; };
    inserter.holding = true;
    typeAndPause("我的公司地址", "1:6:我的公司地址");
    ASSERT_TRUE(press(KeyCode::tab));
    scheduler.advance(0);
    EXPECT_EQ(logs.filter("填"), QStringList());
    inserter.release();
    EXPECT_EQ(logs.filter("填"), QStringList({"打字触发：已填入"}));

    inserter.holding = false;
    inserter.result = InsertResult::copied("没出现的话，按 Ctrl+V 粘贴");
    typeAndPause("我的地址", "1:4:我的地址");
    ASSERT_TRUE(press(KeyCode::tab));
    scheduler.advance(0);
    EXPECT_EQ(logs.filter("填"),
              QStringList({"打字触发：已填入", "打字触发：没填进去（没出现的话，按 Ctrl+V 粘贴）"}));
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
// not be read. A field whose kind cannot be told (a busy application) may be a password field: the same.
TEST_F(SuggestControllerTest, KeysFeedNothingFromTheFirstOneTypedIntoAPasswordField) {
    QStringList logs;
    controller.log = [&](const QString& line) { logs << line; };
    std::optional<bool> password = false;
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

    const std::optional<bool> unknown;
    for (const std::optional<bool> hidden : {std::optional(true), unknown}) {
        password = hidden;
        controller.handle(KeyInput::mouseDown());
        for (const int key : {KeyCode::g, KeyCode::s, KeyCode::d, KeyCode::z, KeyCode::digit1})
            controller.handle(KeyInput::keyDown(key));
        password = false; // and back out unseen: the letters typed in there must not count
        controller.handle(KeyInput::keyUp(KeyCode::digit1));
        scheduler.advance(controller.debounce);
        EXPECT_FALSE(controller.offer()) << (hidden ? "a password field" : "a field of no known kind");
    }

    // A note names the key that emptied the letters: the focus may have gone into a password field unseen.
    for (const std::optional<bool> hidden : {std::optional(true), unknown}) {
        password = false;
        controller.handle(KeyInput::mouseDown()); // into a plain field, found so by the next key
        for (const int key : {KeyCode::a, KeyCode::b, KeyCode::c})
            press(key);
        password = hidden;
        press(KeyCode::minus);
        EXPECT_EQ(logs.filter("拼音").size(), 0) << logs.join('\n').toStdString();
    }
}

// A strip shows only once Tab and Esc are held for it: where the key source could not hold them in time,
// nothing is shown or logged as offered, and the keys are left to the application.
TEST_F(SuggestControllerTest, NoStripShowsUntilItsKeysAreHeld) {
    QStringList logs;
    controller.log = [&](const QString& line) { logs << line; };
    int changes = 0;
    QObject::connect(&controller, &SuggestController::offerChanged, [&] { ++changes; });
    source->holds = false;
    typeAndPause("寄到我的公司地址", "1:8:寄到我的公司地址");
    EXPECT_FALSE(controller.offer());
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(logs.filter("递上一条").isEmpty());
    EXPECT_TRUE(source->swallowableKeys.empty());
    EXPECT_FALSE(press(KeyCode::tab));

    source->holds = true;
    typeAndPause("寄到我的公司地址", "1:9:寄到我的公司地址");
    EXPECT_TRUE(controller.offer());
    EXPECT_EQ(source->swallowableKeys, offerKeys);
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

// A digit may pick a candidate for part of the letters (公司 of gongsidizhi) while the input method goes on
// composing the rest: the field, empty or not, does not show the name yet, so nothing is offered and Tab and
// Esc stay the input method's. The commit of the rest is offered once, at the caret.
TEST_F(SuggestControllerTest, APickOfPartOfTheLettersOffersNothingUntilTheRestLands) {
    controller.inputMethod = [] { return true; };
    QStringList logs;
    controller.log = [&](const QString& line) { logs << line; };
    controller.passwordField = [] { return false; };
    controller.read = [&] {
        reader.atStart = !caret;
        return caret;
    };
    caret.reset(); // an empty field
    typeKeys("gongsidizhi");
    press(KeyCode::digit2);
    scheduler.advance(controller.debounce + controller.recheckDelay);
    EXPECT_FALSE(controller.offer());
    EXPECT_TRUE(controller.composing());
    EXPECT_FALSE(press(KeyCode::escape)); // cancels the composition

    caret = Caret{"寄到", QRectF(500, 300, 1, 18), "1:2:寄到"};
    typeKeys("gongsidizhi");
    caret = Caret{"寄到公司", QRectF(500, 300, 1, 18), "1:4:寄到公司"};
    press(KeyCode::digit2);
    scheduler.advance(controller.debounce);
    EXPECT_FALSE(controller.offer());
    EXPECT_TRUE(tap.swallowable().empty());
    caret = Caret{"寄到公司地址", QRectF(500, 300, 1, 18), "1:6:寄到公司地址"};
    press(KeyCode::space);
    scheduler.advance(controller.debounce);
    ASSERT_TRUE(controller.offer());
    EXPECT_TRUE(press(KeyCode::tab));
    scheduler.advance(0); // filled from the event loop
    EXPECT_EQ(inserter.texts, std::vector<QString>{"：北京市朝阳区"});
    EXPECT_EQ(logs.filter(QRegularExpression("递上一条|填入|上屏")),
              QStringList({"打字触发：递上一条", "打字触发：已填入"}));
}

// Letters typed on after a name open a composition that the text before the caret does not hold; at an
// ordinary pace the check comes with it open, and nothing is offered over it, so Esc reaches the input
// method. A take leaves it open. Letters typed without an input method land in the field and still count.
TEST_F(SuggestControllerTest, NothingIsOfferedOverAnOpenComposition) {
    controller.inputMethod = [] { return true; };
    controller.passwordField = [] { return false; };
    caret = Caret{"公司地址", QRectF(500, 300, 1, 18), "1:4:公司地址"};
    for (const char* key : {"gongsidizhi", " ", "m", "a"}) {
        if (*key == ' ')
            press(KeyCode::space);
        else
            typeKeys(key);
        scheduler.advance(0.15);
    }
    scheduler.advance(controller.debounce + controller.recheckDelay);
    EXPECT_FALSE(controller.offer());
    EXPECT_FALSE(press(KeyCode::escape));

    typeKeys("ma");
    controller.handle(KeyInput::fnDown());
    EXPECT_TRUE(controller.composing());
    caret = Caret{"公司地址吗", QRectF(500, 300, 1, 18), "1:5:公司地址吗"};
    press(KeyCode::space);
    EXPECT_FALSE(controller.composing());

    store->upsert(Memory{.title = "email", .value = "me@example.com"});
    caret = Caret{"my email", QRectF(500, 300, 1, 18), "1:8:my email"};
    typeKeys("email");
    scheduler.advance(controller.debounce);
    ASSERT_TRUE(controller.offer());
    EXPECT_EQ(controller.offer()->title, "email");
}

// Keys an input method uses to move through its candidates leave the composition open, in the program's
// view too: after a pause nothing is offered over it (the name before it was offered once and passed over),
// Tab and Esc stay the input method's, and a recall gives no choices. Esc cancels it.
TEST_F(SuggestControllerTest, KeysThatMoveThroughCandidatesKeepTheCompositionOpen) {
    controller.inputMethod = [] { return true; };
    controller.passwordField = [] { return false; };
    caret = Caret{"公司地址", QRectF(500, 300, 1, 18), "1:4:公司地址"};
    typeKeys("gongsidizhi");
    press(KeyCode::space);
    scheduler.advance(controller.debounce);
    ASSERT_TRUE(controller.offer());
    typeKeys("ma");
    for (const int key : {KeyCode::tab, KeyCode::equal, KeyCode::minus, KeyCode::downArrow,
                          KeyCode::rightArrow, KeyCode::pageDown}) {
        EXPECT_FALSE(press(key)) << key;
        scheduler.advance(controller.debounce + controller.recheckDelay);
        EXPECT_FALSE(controller.offer()) << key;
        EXPECT_TRUE(tap.swallowable().empty()) << key;
        EXPECT_TRUE(controller.composing()) << key;
    }
    EXPECT_FALSE(press(KeyCode::escape));
    scheduler.advance(controller.debounce + controller.recheckDelay);
    EXPECT_FALSE(controller.offer());
    EXPECT_FALSE(controller.composing());
}

// Letters an input method lets through (switched to Latin letters, which not every one says) land in the
// field; a key that then moves the caret elsewhere leaves them looking like a composition, which is given up
// as soon as the text before the caret changes without a commit: typing goes on being offered.
TEST_F(SuggestControllerTest, LettersAnInputMethodLetThroughDoNotStayAComposition) {
    controller.inputMethod = [] { return true; };
    controller.passwordField = [] { return false; };
    caret = Caret{"abc", QRectF(500, 300, 1, 18), "1:3:abc"};
    typeKeys("abc");
    caret = Caret{"", QRectF(500, 318, 1, 18), "1:4:"}; // Down: the start of the next line
    press(KeyCode::downArrow);
    scheduler.advance(controller.debounce);
    EXPECT_TRUE(controller.composing()) << "the program cannot tell yet";
    caret = Caret{"我的地址", QRectF(500, 318, 1, 18), "1:8:我的地址"};
    press(KeyCode::minus); // typed; the text changed with no commit
    scheduler.advance(controller.debounce);
    EXPECT_FALSE(controller.composing());
    EXPECT_TRUE(controller.offer());
}

// A busy application answers no question in time, and a field whose kind cannot be read may be a password
// field: its keys feed nothing and leave no line, whatever the later reads say, until one tells the field is
// another kind.
TEST_F(SuggestControllerTest, AFieldWhoseKindCannotBeReadFeedsNothing) {
    QStringList logs;
    controller.log = [&](const QString& line) { logs << line; };
    std::optional<bool> password;
    controller.passwordField = [&] { return password; };
    bool known = false, refused = false;
    controller.read = [&]() -> std::optional<Caret> {
        reader.kindUnknown = !known && !refused;
        reader.refusedPassword = refused;
        reader.lastFailure = refused ? "安全输入（?）" : "读不到焦点（mivora_gtk_target）";
        return std::nullopt;
    };
    for (const bool passwordRead : {false, true, false}) {
        refused = passwordRead;
        typeKeys("gsdz");
        press(KeyCode::digit1);
        scheduler.advance(controller.debounce);
        EXPECT_FALSE(controller.offer()) << passwordRead;
    }
    EXPECT_EQ(logs, QStringList({"打字触发：读不到焦点（mivora_gtk_target）", "打字触发：安全输入（?）",
                                 "打字触发：读不到焦点（mivora_gtk_target）"}));

    known = true; // the field reads as another kind
    press(KeyCode::a);
    scheduler.advance(controller.debounce);
    typeKeys("gsdz");
    press(KeyCode::digit1);
    scheduler.advance(controller.debounce);
    EXPECT_TRUE(controller.offer());
}

// A busy application has not yet said where its focus went when the first key after Tab comes: the keys
// are held, unread, and count once a look reads the field as plain text showing what they typed. A field
// that turns out to hide its text, or shows something else, gets nothing from them.
TEST_F(SuggestControllerTest, KeysTypedBeforeTheFieldSaidWhatItIsCountOnceItShowsThem) {
    QStringList logs;
    controller.log = [&](const QString& line) { logs << line; };
    std::optional<bool> password;
    controller.passwordField = [&] { return password; };
    const auto typeName = [&](const char* shown) {
        password.reset();
        press(KeyCode::tab);
        typeKeys("gongsidizhi");
        press(KeyCode::space);
        password = false; // what the field says once the application caught up
        caret = shown ? std::optional(Caret{shown, QRectF(500, 300, 1, 18), QString("1:12:") + shown})
                      : std::nullopt;
        reader.refusedPassword = !shown;
        scheduler.advance(controller.debounce);
        return controller.offer().has_value();
    };
    EXPECT_TRUE(typeName("gongsidizhi "));
    EXPECT_TRUE(press(KeyCode::tab));
    EXPECT_FALSE(typeName("••••••••••• ")) << "not what was typed";
    EXPECT_FALSE(typeName("公司地址 ")) << "not what was typed either, though it reads as the letters";
    EXPECT_FALSE(typeName(nullptr)) << "a password field";
    reader.kindUnknown = true;
    EXPECT_FALSE(typeName("gongsidizhi ")) << "a field read as text whose kind did not read";
    reader.kindUnknown = false;
    EXPECT_FALSE(logs.join('\n').contains("gongsidizhi"));
}

// The key source holds the keyboard while the accepting Tab is down, which a GTK field takes for a loss of
// focus: the fill reads the focus once Tab is up, from the event loop, never inside Tab's handler.
TEST_F(SuggestControllerTest, TheFillStartsOnceTheAcceptingTabIsUpAndIsFillingUntilTheInserterIsDone) {
    tap.handler = [this](const KeyInput& input, double) { return controller.handle(input); };
    inserter.holding = true;
    typeAndPause("寄到我的公司地址", "1:8:寄到我的公司地址");
    ASSERT_TRUE(controller.offer());
    EXPECT_FALSE(controller.filling());
    EXPECT_TRUE(tap.process({KeyEvent::keyDown, KeyCode::tab, false, 0, 0}));
    EXPECT_EQ(controller.accepted(), 1);
    EXPECT_TRUE(controller.filling());
    scheduler.advance(1);
    EXPECT_TRUE(inserter.texts.empty()) << "Tab is still down";
    EXPECT_TRUE(tap.process({KeyEvent::keyUp, KeyCode::tab, false, 0, 0}));
    EXPECT_TRUE(inserter.texts.empty()) << "inside Tab's key-up handler";
    scheduler.advance(0);
    EXPECT_EQ(inserter.texts, std::vector<QString>{"：北京市朝阳区"});
    EXPECT_TRUE(controller.filling()) << "the paste is still under way";
    inserter.release();
    EXPECT_FALSE(controller.filling());
}

// An offer made from a read of the field fills it without a second look at the focus, so the paste is not
// held up behind it; once another application is in front the inserter looks for itself.
TEST_F(SuggestControllerTest, AFillGoesIntoTheFieldTheOfferWasReadFromWithoutALookAtTheFocus) {
    qint64 front = 7;
    controller.frontApp = [&] { return front; };
    for (const qint64 atTab : {7, 8}) {
        front = 7;
        typeAndPause("寄到我的公司地址", QString("1:8:%1").arg(atTab));
        ASSERT_TRUE(controller.offer());
        front = atTab;
        EXPECT_TRUE(press(KeyCode::tab));
        scheduler.advance(0);
    }
    EXPECT_EQ(inserter.focuses, (std::vector<std::optional<FocusKind>>{FocusKind::text, std::nullopt}));
}

// Without an input method letters are never a composition, whatever keys come between them: a name's
// pinyin typed at once after Tab or an arrow is offered and filled, and a recall after arrows may show its
// choices. A fill leaves none of the letters typed for it composing, and letters typed in one application
// are none in the next, which came in front without a key.
TEST_F(SuggestControllerTest, WithoutAnInputMethodLettersAreNeverAComposition) {
    controller.passwordField = [] { return false; };
    bool through = false;
    controller.inputMethod = [&] { return through; };
    for (const int key : {KeyCode::tab, KeyCode::leftArrow, KeyCode::upArrow}) {
        caret = Caret{"hello", QRectF(500, 300, 1, 18), "1:5:hello"};
        typeKeys("hello");
        press(key);
        caret = Caret{"hel", QRectF(500, 300, 1, 18), "1:3:hel"};
        EXPECT_FALSE(controller.composing()) << key;
        typeKeys("gongsidizhi");
        caret = Caret{"helgongsidizhi ", QRectF(500, 300, 1, 18), QString("1:%1").arg(key)};
        press(KeyCode::space);
        scheduler.advance(controller.debounce);
        ASSERT_TRUE(controller.offer()) << key;
        EXPECT_TRUE(press(KeyCode::tab)) << key;
        scheduler.advance(0);
        EXPECT_EQ(inserter.texts.back(), "：北京市朝阳区") << key;
    }

    store->upsert(Memory{.title = "wifi", .value = "hunter22"});
    for (const bool withInputMethod : {false, true}) {
        through = withInputMethod;
        caret = Caret{"my wifi", QRectF(500, 300, 1, 18), QString("1:7:%1").arg(withInputMethod)};
        typeKeys("wifi");
        scheduler.advance(controller.debounce);
        ASSERT_TRUE(controller.offer()) << withInputMethod;
        EXPECT_TRUE(press(KeyCode::tab));
        caret = Caret{"my hunter22", QRectF(500, 300, 1, 18), "1:11:hunter22"};
        EXPECT_FALSE(controller.composing()) << withInputMethod;
    }

    qint64 front = 7;
    controller.frontApp = [&] { return front; };
    caret = Caret{"好", QRectF(500, 300, 1, 18), "7:1:好"};
    typeKeys("ma");
    EXPECT_TRUE(controller.composing());
    front = 8;
    EXPECT_FALSE(controller.composing());
}

} // namespace
} // namespace mivora::test
