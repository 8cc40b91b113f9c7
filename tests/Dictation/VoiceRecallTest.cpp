#include "Dictation/VoiceControllerFixture.h"

#include "Memories/MemoryStore.h"

using namespace mivora;
using namespace mivora::test;
using Kind = VoicePhase::Kind;

class VoiceRecallTest : public VoiceControllerFixture {
protected:
    MemoryStore* memoryStore() override { return &store; }
    // A recall take (Fn with Shift) whose transcript is `text`.
    void recallTake(const QString& text) {
        key(KeyInput::shift(true));
        take();
        key(KeyInput::shift(false));
        recognizer->answer(text);
    }

    Memory home{.title = "家庭地址", .type = "地址", .value = "海淀路 1 号"};
    Memory work{.title = "公司地址", .type = "地址", .aliases = {"公司"}, .value = "浦东路 2 号"};
    Memory wifi{.title = "Wi-Fi 密码", .type = "信息", .value = "hunter22", .sensitive = true};
    MemoryStore store{std::nullopt, QList<Memory>{home, work, wifi}, clock};
    static constexpr int one = 18, two = 19, three = 20, keypadOne = 83, returnKey = 36, esc = 53;
};

TEST_F(VoiceRecallTest, OneConfidentMatchIsInsertedAtOnce) {
    recallTake("公司地址");
    EXPECT_EQ(recognizer->requests[0].vocabulary,
              QStringList({"家庭地址", "公司地址", "Wi-Fi 密码", "公司"}));
    EXPECT_EQ(lines.mid(3), QStringList({"识别完成 0ms", "唤起：直接填入", "上屏 0ms（已插入）"}));
    EXPECT_EQ(inserter.texts, std::vector<QString>{"浦东路 2 号"});
    EXPECT_EQ(store.memories()[1].useCount, 1);
}

TEST_F(VoiceRecallTest, SeveralMatchesArePickedByNumber) {
    recallTake("地址");
    EXPECT_EQ(lines.last(), "唤起：2 条候选");
    EXPECT_EQ(controller->phase(), VoicePhase::choosing({{home.id, "家庭地址", "海淀路 1 号", false},
                                                         {work.id, "公司地址", "浦东路 2 号", false}},
                                                        std::nullopt));
    EXPECT_EQ(controller->swallowableKeys(), QList<int>({18, 19, 20, 36, 53, 76, 83, 84, 85}));
    EXPECT_TRUE(press(three)); // no third choice: swallowed, nothing happens
    wait(2);
    EXPECT_TRUE(press(two));
    EXPECT_EQ(lines.mid(lines.size() - 2), QStringList({"唤起：选了第 2 条", "上屏 2000ms（已插入）"}));
    EXPECT_EQ(inserter.texts, std::vector<QString>{"浦东路 2 号"});
    EXPECT_TRUE(key(KeyInput::keyUp(two)));
    EXPECT_FALSE(key(KeyInput::keyUp(two))); // swallowed once only

    wait(1);
    recallTake("地址");
    store.deleteMemory(home.id);
    EXPECT_TRUE(press(returnKey)); // the first choice, deleted meanwhile: swallowed without effect
    EXPECT_EQ(phase(), Kind::choosing);
    EXPECT_EQ(inserter.texts.size(), 1u);
}

TEST_F(VoiceRecallTest, APickIsInsertedOnceWhateverTheKeyDoesMeanwhile) {
    inserter.holding = true;
    recallTake("地址");
    EXPECT_TRUE(press(one));
    // Auto-repeats of the held key stay swallowed and pick nothing; a fresh press is the user's again.
    EXPECT_TRUE(press(one, true));
    EXPECT_TRUE(key(KeyInput::keyUp(one)));
    EXPECT_FALSE(press(one) || press(one, true));
    EXPECT_EQ(inserter.texts, std::vector<QString>{"海淀路 1 号"});
    inserter.finish();
    EXPECT_EQ(phase(), Kind::done);
}

TEST_F(VoiceRecallTest, SensitiveMemoryNeedsASecondPress) {
    recallTake("WiFi 密码");
    EXPECT_EQ(controller->phase().choices.value(0).preview, "••••••（敏感信息，确认后才插入）");
    wait(11);
    EXPECT_TRUE(press(keypadOne)); // arms it and restarts the 12 s
    wait(11);
    EXPECT_TRUE(inserter.texts.empty());
    EXPECT_TRUE(press(keypadOne, true)); // the held key's auto-repeat is the second press
    EXPECT_EQ(inserter.texts, std::vector<QString>{"hunter22"});
    EXPECT_FALSE(controller->lastText()); // a secret never becomes the last text
}

TEST_F(VoiceRecallTest, ChoicesEndByLapseEscOtherKeysOrFn) {
    recallTake("地址");
    wait(12.1);
    EXPECT_EQ(phase(), Kind::idle);
    recallTake("地址");
    wait(6);
    EXPECT_TRUE(press(esc) && key(KeyInput::keyUp(esc))); // nothing reaches the application
    EXPECT_EQ(phase(), Kind::idle);
    recallTake("地址");
    wait(6.5); // the earlier set's lapse finds newer choices
    // Key-ups, Shift and the mouse leave them; a letter ends them and goes through; so does Fn.
    EXPECT_FALSE(key(KeyInput::keyUp(0)) || key(KeyInput::shift(true)) || key(KeyInput::mouseDown()));
    EXPECT_EQ(phase(), Kind::choosing);
    EXPECT_FALSE(press(0));
    EXPECT_EQ(phase(), Kind::idle);
    recallTake("地址");
    fn(true);
    EXPECT_EQ(phase(), Kind::listening);
    EXPECT_TRUE(inserter.texts.empty());
}
