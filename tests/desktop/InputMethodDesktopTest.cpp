// The real program beside a real pinyin input method (fcitx5), typed into a GTK 3 entry and a Qt line edit
// as a user types: whatever the program does, the field ends up with what the input method alone would
// have put there, never its raw letters; a name committed with Space is still offered and filled once.
#include "LinuxDesktop.h"
#include "support/FakeOpenAI.h"
#include "support/Fcitx.h"
#include "support/RelayProgram.h"
#include "support/StoredSignIn.h"
#include "support/TargetWindow.h"

#include <QDBusInterface>
#include <QDBusReply>
#include <QRegularExpression>
#include <QTemporaryDir>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/DesktopInput.h"

using namespace mivora;
using namespace mivora::test;

namespace {

const QString filled = "：北京市海淀区中关村大街1号";
// A strip would come 0.18 s after the last key; on a busy machine later. Waited for this long where the
// test needs the program's look at the field to have happened and nothing must come of it.
constexpr int settleMs = 3000;

struct InputMethodDesktop : LinuxDesktop, ::testing::WithParamInterface<bool> {
    Fcitx fcitx;
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram program{dir, server.url("/")};
    QProcess* mivora = nullptr;
    TargetWindow target;
    const std::unique_ptr<Display, int (*)(Display*)> display{XOpenDisplay(nullptr), XCloseDisplay};

    ~InputMethodDesktop() override {
        // Keys left down would reach the next test.
        for (const char* key : {"Shift_R", "Control_R"})
            XTestFakeKeyEvent(display.get(), XKeysymToKeycode(display.get(), XStringToKeysym(key)), False,
                              CurrentTime);
        XSync(display.get(), False);
    }

    // The program with the memories, then the test window (GTK 3 when the parameter is true) in front of
    // it, its field typing pinyin.
    ::testing::AssertionResult start(const QList<Memory>& memories) {
        if (!display) return ::testing::AssertionFailure() << "no display";
        if (!fcitx.ready()) return ::testing::AssertionFailure() << fcitx.output().toStdString();
        program.holdMemories(memories);
        mivora = program.start();
        if (auto watching = program.watchesKeys(); !watching) return watching;
        if (!inFront(mivora->processId())) return ::testing::AssertionFailure() << "no main window";
        const bool gtk = GetParam();
        const bool started =
            gtk ? target.start("/usr/bin/python3", {MIVORA_GTK_TARGET, "--gtk", "3"}, Fcitx::environment())
                : target.start(QCoreApplication::applicationDirPath() + "/mivora_target", {},
                               Fcitx::environment());
        if (!started || !target.waitForLine("ready") || !inFront(target.processId()))
            return ::testing::AssertionFailure()
                   << "the target never came in front\n"
                   << (target.lines() + QStringList{target.errors()}).join('\n').toStdString();
        // The field's input context comes to the input method a moment after the field has the focus.
        QDBusInterface controller("org.fcitx.Fcitx5", "/controller", "org.fcitx.Fcitx.Controller1");
        if (!waitUntil([&] { return QDBusReply<int>(controller.call("State")).value() == 2; },
                       desktopDeadlineMs))
            return ::testing::AssertionFailure() << "pinyin never came on in the field";
        // Keys typed before the program can tell the field is no password field feed nothing.
        if (!waitUntil(
                [&] { return platform->textAccess().focusedText(target.processId()).field != nullptr; },
                desktopDeadlineMs))
            return ::testing::AssertionFailure() << "the field never showed on the accessibility bus";
        return ::testing::AssertionSuccess();
    }
    // Keys by their names, one every 150 ms: an ordinary typing pace, slower than the program's pause
    // before it looks at the field, so that it looks only after the last.
    void keys(const QStringList& names) {
        for (const QString& name : names) {
            pressKey(display.get(), XStringToKeysym(name.toLatin1().constData()));
            QTest::qWait(150);
        }
    }
    void letters(const QString& typed) {
        QStringList names;
        for (const QChar c : typed)
            names << QString(c);
        keys(names);
    }
    int offers() const { return int(program.log().filter("打字触发：递上一条").size()); }
    // Whether the program offers something more than `before` offers within the settling time.
    bool offersAgain(int before) {
        return waitUntil([&] { return offers() > before; }, settleMs);
    }
    // No text the field ever had holds a Latin letter (the input method's raw letters) or the memory.
    ::testing::AssertionResult noRawLetters() {
        const QStringList texts = target.texts();
        if (texts.filter(QRegularExpression("[a-z]|北京")).isEmpty()) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << (texts + QStringList{"--"} + program.log()).join('\n').toStdString();
    }
    // The name committed with Space lands, is offered, and Tab fills it once.
    ::testing::AssertionResult nameOfferedAndFilled(const QString& before) {
        const int offered = offers();
        letters("gongsidizhi");
        keys({"space"});
        if (!target.waitForLine("text:" + before + "公司地址"))
            return ::testing::AssertionFailure() << target.texts().join('\n').toStdString();
        if (!waitUntil([&] { return offers() > offered; }, desktopDeadlineMs))
            return ::testing::AssertionFailure() << program.log().join('\n').toStdString();
        keys({"Tab"});
        if (!target.waitForLine("text:" + before + "公司地址" + filled))
            return ::testing::AssertionFailure() << target.texts().join('\n').toStdString();
        return ::testing::AssertionSuccess();
    }
};

const Memory company{.title = "公司地址", .type = "地址", .value = "北京市海淀区中关村大街1号"};

// A digit that picks a candidate for part of the letters (公司 of gongsidizhi) leaves the rest composing:
// no strip, and Tab and Esc are the input method's. Esc cancels the whole composition.
TEST_P(InputMethodDesktop, APickOfPartOfTheLettersIsNoCommit) {
    ASSERT_TRUE(start({company}));
    letters("gongsidizhi");
    keys({"2"});
    EXPECT_FALSE(offersAgain(0)) << program.log().join('\n').toStdString();
    keys({"Tab", "Escape"});
    ASSERT_TRUE(nameOfferedAndFilled(""));
    EXPECT_EQ(target.texts(), QStringList({"公司地址", "公司地址" + filled}));
    EXPECT_EQ(offers(), 1) << program.log().join('\n').toStdString();
    EXPECT_EQ(program.log().filter("按拼音").size(), 0) << program.log().join('\n').toStdString();
}

// Typing on after a name at an ordinary pace opens a composition the text before the caret does not hold:
// no strip over it, so one Esc cancels it and Tab stays the input method's, as without the program. The
// field is emptied after each round: four Backspaces take the name only once the composition is gone.
TEST_P(InputMethodDesktop, TypingOnAfterANameOffersNothingOverTheComposition) {
    ASSERT_TRUE(start({company}));
    for (const QStringList& close : {QStringList{"Escape"}, QStringList{"Tab", "Escape"}}) {
        const int before = offers();
        const qsizetype emptied = target.texts().count("");
        letters("gongsidizhi");
        keys({"space", "m", "a"});
        waitUntil([&] { return offers() > before; }, settleMs);
        keys(close + QStringList{"BackSpace", "BackSpace", "BackSpace", "BackSpace"});
        ASSERT_TRUE(waitUntil([&] { return target.texts().count("") > emptied; }, desktopDeadlineMs))
            << close.join(' ').toStdString() << "\n"
            << (target.texts() + program.log()).join('\n').toStdString();
    }
    EXPECT_TRUE(noRawLetters());
    ASSERT_TRUE(nameOfferedAndFilled(""));
}

// Keys the input method uses to move through its candidates (Tab, =, Down) leave its composition open: the
// program offers nothing over it after a pause, so the user's Esc reaches the input method and cancels it.
TEST_P(InputMethodDesktop, KeysThatMoveThroughCandidatesLeaveTheCompositionOpen) {
    ASSERT_TRUE(start({company}));
    for (const char* move : {"Tab", "equal", "Down"}) {
        const int before = offers();
        const qsizetype emptied = target.texts().count("");
        letters("gongsidizhi");
        keys({"space"});
        waitUntil([&] { return offers() > before; }, settleMs);
        keys({"m", "a", move});
        EXPECT_FALSE(offersAgain(offers())) << move << "\n" << program.log().join('\n').toStdString();
        keys({"Escape", "BackSpace", "BackSpace", "BackSpace", "BackSpace"});
        ASSERT_TRUE(waitUntil([&] { return target.texts().count("") > emptied; }, desktopDeadlineMs))
            << move << "\n"
            << (target.texts() + program.log()).join('\n').toStdString();
    }
    EXPECT_TRUE(noRawLetters());
}

// A recall whose numbered choices would come over an open composition gives none: the digit picks the
// input method's candidate, and the letters never land raw.
TEST_P(InputMethodDesktop, RecallGivesNoChoicesOverAComposition) {
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("地址"));
    const Memory home{.title = "家庭地址", .type = "地址", .value = "北京市朝阳区"};
    const StoredSignIn signedIn(platform->secrets()); // a take needs an account
    ASSERT_TRUE(start({company, home}));
    // Typing first brings the program's look at the field: a strip shows once it knows the field is no
    // password field, and from then on it follows the letters.
    letters("gongsidizhi");
    keys({"space"});
    ASSERT_TRUE(waitUntil([&] { return offers() > 0; }, desktopDeadlineMs))
        << program.log().join('\n').toStdString();
    keys({"Escape"});
    letters("ma");
    XTestFakeKeyEvent(display.get(), XKeysymToKeycode(display.get(), XK_Shift_R), True, CurrentTime);
    XSync(display.get(), False);
    EXPECT_TRUE(holdHotkeyAndSpeak({}, [&] { return program.logged("开始听"); }));
    XTestFakeKeyEvent(display.get(), XKeysymToKeycode(display.get(), XK_Shift_R), False, CurrentTime);
    XSync(display.get(), False);
    ASSERT_TRUE(
        waitUntil([&] { return program.logged("唤起：输入法还在输入，没给候选"); }, desktopDeadlineMs))
        << (target.texts() + program.log()).join('\n').toStdString();
    keys({"1"});
    ASSERT_TRUE(waitUntil([&] { return target.texts().size() > 1; }, desktopDeadlineMs))
        << target.texts().join('\n').toStdString();
    const QStringList texts = target.texts();
    EXPECT_EQ(texts.size(), 2) << texts.join('\n').toStdString();
    EXPECT_TRUE(texts.filter(QRegularExpression("[a-z]|北京")).isEmpty()) << texts.join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(GtkAndQt, InputMethodDesktop, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Gtk3" : "Qt";
                         });

} // namespace
