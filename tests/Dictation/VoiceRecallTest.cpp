#include "Dictation/VoiceControllerFixture.h"

#include "Memories/MemoryStore.h"

#include <QSignalSpy>

using namespace mivora;
using namespace mivora::test;
using Kind = VoicePhase::Kind;

namespace {

enum Key { one = 18, two = 19, three = 20, keypadOne = 83, returnKey = 36, esc = 53, letterA = 0 };

} // namespace

class VoiceRecallTest : public VoiceControllerFixture {
protected:
    void SetUp() override {
        store = std::make_unique<MemoryStore>(std::nullopt, QList<Memory>{home, work, wifi}, clock);
        make();
    }
    MemoryStore* memoryStore() override { return store.get(); }

    // A recall take (Fn with Shift) whose transcript is `text`.
    void recallTake(const QString& text) {
        key(KeyInput::shift(true));
        fnDown();
        wait(0.5);
        fnUp();
        key(KeyInput::shift(false));
        ASSERT_FALSE(recognizer->requests.back().tidied);
        recognizer->answer(text);
    }
    const Memory& stored(const Memory& m) const {
        for (const Memory& s : store->memories())
            if (s.id == m.id) return s;
        throw std::logic_error("not stored");
    }
    QList<RecallChoice> choices() const { return controller->phase().choices; }

    Memory home{.title = "家庭地址", .type = "地址", .aliases = {"我家", "家里"}, .value = "海淀路 1 号"};
    Memory work{.title = "公司地址", .type = "地址", .aliases = {"公司", "单位"}, .value = "浦东路 2 号"};
    Memory wifi{.title = "Wi-Fi 密码",
                .type = "信息",
                .aliases = {"wifi", "无线网"},
                .value = "hunter22",
                .sensitive = true};
    std::unique_ptr<MemoryStore> store;
};

TEST_F(VoiceRecallTest, OneConfidentMatchIsInsertedAtOnce) {
    recallTake("公司地址");
    // The store's recognition hints went along (taken before the memory was used).
    EXPECT_EQ(recognizer->requests[0].vocabulary, QStringList({"家庭地址", "公司地址", "Wi-Fi 密码", "我家",
                                                               "家里", "公司", "单位", "wifi", "无线网"}));
    EXPECT_EQ(lines.mid(3), QStringList({"识别完成 0ms", "唤起：直接填入", "上屏 0ms（已插入）"}));
    EXPECT_EQ(inserter.texts, std::vector<QString>{"浦东路 2 号"});
    EXPECT_EQ(controller->lastText(), "浦东路 2 号");
    EXPECT_EQ(stored(work).useCount, 1);
    ASSERT_EQ(timings.size(), 1u);
    EXPECT_EQ(timings[0].mode, VoiceMode::recall);
    EXPECT_EQ(timings[0].audio, 1.0);
    EXPECT_EQ(phase(), Kind::done);
}

TEST_F(VoiceRecallTest, SeveralMatchesArePickedByNumber) {
    recallTake("地址");
    EXPECT_EQ(lines.last(), "唤起：2 条候选");
    ASSERT_EQ(phase(), Kind::choosing);
    EXPECT_EQ(choices(), QList<RecallChoice>({{home.id, "家庭地址", "海淀路 1 号", false},
                                              {work.id, "公司地址", "浦东路 2 号", false}}));
    EXPECT_FALSE(controller->phase().armed);
    EXPECT_TRUE(controller->swallowableKeys().contains(one));
    EXPECT_TRUE(controller->swallowableKeys().contains(esc));

    // The 3 key with two choices is swallowed and does nothing.
    EXPECT_TRUE(key(KeyInput::keyDown(three)));
    EXPECT_TRUE(key(KeyInput::keyUp(three)));
    EXPECT_EQ(phase(), Kind::choosing);
    EXPECT_TRUE(inserter.texts.empty());

    wait(2);
    EXPECT_TRUE(key(KeyInput::keyDown(two)));
    EXPECT_EQ(lines.mid(lines.size() - 2), QStringList({"唤起：选了第 2 条", "上屏 2000ms（已插入）"}));
    EXPECT_EQ(inserter.texts, std::vector<QString>{"浦东路 2 号"});
    EXPECT_EQ(stored(work).useCount, 1);
    EXPECT_EQ(timings.back().audio, 1.0);
    EXPECT_EQ(timings.back().mode, VoiceMode::recall);
    EXPECT_EQ(phase(), Kind::done);
    EXPECT_TRUE(key(KeyInput::keyUp(two)));
    EXPECT_FALSE(key(KeyInput::keyUp(two))); // swallowed once only

    // Return picks the first.
    wait(1);
    recallTake("地址");
    EXPECT_TRUE(key(KeyInput::keyDown(returnKey)));
    EXPECT_EQ(inserter.texts.back(), "海淀路 1 号");
    EXPECT_TRUE(key(KeyInput::keyUp(returnKey)));
    EXPECT_TRUE(controller->swallowableKeys().isEmpty());
}

TEST_F(VoiceRecallTest, APickIsInsertedOnceWhateverTheKeyDoesMeanwhile) {
    inserter.holding = true;
    recallTake("地址");
    EXPECT_TRUE(key(KeyInput::keyDown(one)));
    ASSERT_EQ(inserter.waiting(), 1u);
    EXPECT_NE(phase(), Kind::choosing);
    // Auto-repeats of the held key stay swallowed and pick nothing; a fresh press is the user's again.
    EXPECT_TRUE(key(KeyInput::keyDown(one, true)));
    EXPECT_TRUE(key(KeyInput::keyDown(one, true)));
    EXPECT_TRUE(key(KeyInput::keyUp(one)));
    EXPECT_FALSE(key(KeyInput::keyDown(one)));
    EXPECT_FALSE(key(KeyInput::keyDown(one, true)));
    EXPECT_FALSE(key(KeyInput::keyUp(one)));
    EXPECT_EQ(inserter.texts, std::vector<QString>{"海淀路 1 号"});
    EXPECT_EQ(stored(home).useCount, 1);
    inserter.finish();
    EXPECT_EQ(phase(), Kind::done);
    EXPECT_EQ(timings.size(), 1u);
}

TEST_F(VoiceRecallTest, SensitiveMemoryNeedsASecondPress) {
    recallTake("WiFi 密码");
    ASSERT_EQ(phase(), Kind::choosing);
    ASSERT_EQ(choices().size(), 1);
    EXPECT_EQ(choices()[0].preview, "••••••（敏感信息，确认后才插入）");
    EXPECT_TRUE(choices()[0].sensitive);

    // The first press arms it and restarts the 12 s.
    wait(11);
    EXPECT_TRUE(key(KeyInput::keyDown(one)));
    EXPECT_EQ(controller->phase().armed, wifi.id);
    EXPECT_TRUE(inserter.texts.empty());
    wait(11);
    EXPECT_EQ(phase(), Kind::choosing);
    // Holding the key: its auto-repeat is the second press.
    EXPECT_TRUE(key(KeyInput::keyDown(one, true)));
    EXPECT_EQ(inserter.texts, std::vector<QString>{"hunter22"});
    EXPECT_FALSE(controller->lastText()); // a secret never becomes the last text
    EXPECT_EQ(stored(wifi).useCount, 1);

    // The other keys for the same choice confirm too.
    wait(1);
    recallTake("WiFi 密码");
    EXPECT_TRUE(key(KeyInput::keyDown(keypadOne)));
    EXPECT_TRUE(key(KeyInput::keyDown(returnKey)));
    EXPECT_EQ(inserter.texts.size(), 2u);
}

TEST_F(VoiceRecallTest, ChoicesLapseAfterTwelveSeconds) {
    recallTake("地址");
    wait(11.9);
    EXPECT_EQ(phase(), Kind::choosing);
    wait(0.2);
    EXPECT_EQ(phase(), Kind::idle);
    // A lapse already overtaken by a newer set of choices does nothing.
    recallTake("地址");
    wait(6);
    key(KeyInput::keyDown(esc));
    recallTake("地址");
    wait(6.5); // the first set's lapse has passed
    EXPECT_EQ(phase(), Kind::choosing);
}

TEST_F(VoiceRecallTest, OtherKeysEndTheChoices) {
    // Esc: swallowed with its key-up; nothing reaches the application.
    recallTake("地址");
    EXPECT_TRUE(key(KeyInput::keyDown(esc)));
    EXPECT_EQ(phase(), Kind::idle);
    EXPECT_TRUE(key(KeyInput::keyUp(esc)));

    // A letter: the choices vanish and the letter goes through.
    recallTake("地址");
    EXPECT_FALSE(key(KeyInput::keyDown(letterA)));
    EXPECT_FALSE(key(KeyInput::keyUp(letterA)));
    EXPECT_EQ(phase(), Kind::idle);

    // Key-ups, Shift and the mouse leave them.
    recallTake("地址");
    EXPECT_FALSE(key(KeyInput::keyUp(letterA)));
    EXPECT_FALSE(key(KeyInput::shift(true)));
    EXPECT_FALSE(key(KeyInput::mouseDown()));
    EXPECT_EQ(phase(), Kind::choosing);

    // Fn: the choices vanish and a new take starts.
    fnDown();
    EXPECT_EQ(controller->phase(), VoicePhase::listening(false));
    EXPECT_TRUE(inserter.texts.empty());
}

TEST_F(VoiceRecallTest, AChoiceDeletedMeanwhileIsSwallowedWithoutEffect) {
    recallTake("地址");
    store->deleteMemory(work.id);
    EXPECT_TRUE(key(KeyInput::keyDown(two)));
    EXPECT_EQ(phase(), Kind::choosing);
    EXPECT_TRUE(inserter.texts.empty());
}

TEST_F(VoiceRecallTest, NothingFound) {
    recallTake("一二三四五六七八九十壹贰叁肆伍");
    EXPECT_EQ(lines.last(), "唤起：没找到");
    EXPECT_EQ(controller->phase(), VoicePhase::notice("没找到「一二三四五六七八九十壹贰」", false));
    EXPECT_EQ(needsMemories, 0);

    const QList<Memory> all = store->memories();
    for (const Memory& m : all)
        store->deleteMemory(m.id);
    wait(3);
    recallTake("公司地址");
    EXPECT_EQ(needsMemories, 1);
    EXPECT_EQ(controller->phase(), VoicePhase::notice("还没有记忆，先存几条", false));
    EXPECT_TRUE(inserter.texts.empty());
}
