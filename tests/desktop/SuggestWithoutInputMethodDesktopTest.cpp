// The real program with no input method running, typed into as a user types, keys at once: letters are
// never taken for a composition. A memory's pinyin typed right after Tab or Left arrows is offered and Tab
// fills it, in mousepad, gnome-text-editor and the second entry of a GTK form; a recall after arrows, or
// right after a fill of a memory named in Latin letters, shows its choices; and a take into an xterm that
// came in front without a key lands and gives the user's clipboard and primary selection back.
#include "LinuxDesktop.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/RelayProgram.h"
#include "support/StoredSignIn.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/DesktopInput.h"

using namespace mivora;
using namespace mivora::test;

namespace {

const Memory company{.title = "公司地址", .type = "地址", .value = "北京市海淀区中关村大街1号"};
const Memory home{.title = "家庭地址", .type = "地址", .value = "上海市徐汇区"};
const Memory wifi{.title = "wifi", .value = "hunter22"};

struct Editor {
    const char* name;
    QString program;
    QStringList args;
};
void PrintTo(const Editor& editor, std::ostream* out) {
    *out << editor.name;
}

struct WithoutInputMethodDesktop : LinuxDesktop {
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram program{dir, server.url("/")};
    ChildProcess editor;
    const std::unique_ptr<Display, int (*)(Display*)> display{XOpenDisplay(nullptr), XCloseDisplay};

    ~WithoutInputMethodDesktop() override {
        for (const KeySym key : {XK_Control_R, XK_Shift_R})
            XTestFakeKeyEvent(display.get(), XKeysymToKeycode(display.get(), key), False, CurrentTime);
        XSync(display.get(), False);
    }

    // The program with the memories, then `name` in front of it with an empty field focused.
    ::testing::AssertionResult start(const QList<Memory>& memories, const QString& name,
                                     const QStringList& args) {
        if (!display) return ::testing::AssertionFailure() << "no display";
        program.holdMemories(memories);
        QProcess* mivora = program.start();
        if (auto watching = program.watchesKeys(); !watching) return watching;
        if (!inFront(mivora->processId())) return ::testing::AssertionFailure() << "no main window";
        if (!editor.start(name, args))
            return ::testing::AssertionFailure() << name.toStdString() << " did not start";
        focusWindowOf(editor.processId());
        if (!inFront(editor.processId()))
            return ::testing::AssertionFailure() << "the editor never came in front";
        if (!waitUntil([&] { return text() == QString(); }, desktopDeadlineMs))
            return ::testing::AssertionFailure() << "no empty field on the accessibility bus\n" << trace();
        return ::testing::AssertionSuccess();
    }
    std::optional<QString> text() {
        const TextAccess::Read read = platform->textAccess().focusedText(editor.processId());
        return read.field ? read.field->value() : std::nullopt;
    }
    // Letters, blanks and named keys ("<Tab>", "<Left>"), pressed at once, as a quick typist does.
    void type(const QStringList& keys) {
        for (const QString& key : keys) {
            if (key.startsWith('<')) {
                pressKey(display.get(), XStringToKeysym(key.mid(1, key.size() - 2).toLatin1().constData()));
                continue;
            }
            for (const QChar c : key)
                pressKey(display.get(),
                         c == ' ' ? XK_space : XStringToKeysym(QString(c).toLatin1().constData()));
        }
    }
    int offers() const { return int(program.log().filter("打字触发：递上一条").size()); }
    // Offered once more than `before`, and Tab fills the memory: its value shows `times` times in the field.
    ::testing::AssertionResult offeredAndFilled(int before, const QString& value, int times) {
        if (!waitUntil([&] { return offers() > before; }, desktopDeadlineMs))
            return ::testing::AssertionFailure() << "not offered\n" << trace();
        pressKey(display.get(), XK_Tab);
        if (!waitUntil([&] { return text().value_or(QString()).count(value) == times; }, desktopDeadlineMs))
            return ::testing::AssertionFailure() << "not filled\n" << trace();
        return ::testing::AssertionSuccess();
    }
    // A recall of "地址" shows its two choices, and 1 picks the first.
    ::testing::AssertionResult recallShowsChoices(int recalls) {
        server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("地址"));
        // Shift held with the hotkey makes the take a recall.
        const unsigned int shift = XKeysymToKeycode(display.get(), XK_Shift_R);
        XTestFakeKeyEvent(display.get(), shift, True, CurrentTime);
        XSync(display.get(), False);
        const bool taken =
            holdHotkeyAndSpeak({}, [&] { return program.log().filter("开始听").size() == recalls; });
        XTestFakeKeyEvent(display.get(), shift, False, CurrentTime);
        XSync(display.get(), False);
        if (!taken) return ::testing::AssertionFailure() << "no take\n" << trace();
        if (!waitUntil([&] { return program.log().filter("唤起：2 条候选").size() == recalls; },
                       desktopDeadlineMs))
            return ::testing::AssertionFailure() << "no choices\n" << trace();
        if (program.logged("输入法还在输入")) return ::testing::AssertionFailure() << trace();
        // The choices take the digits a moment after the count is logged: a 1 pressed before goes into the
        // text, as it would for a person that quick, and is pressed again.
        const auto picked = [&] { return program.log().filter("唤起：选了第").size() == recalls; };
        QElapsedTimer pressing;
        pressing.start();
        while (!picked() && pressing.elapsed() < desktopDeadlineMs) {
            pressKey(display.get(), XK_1);
            waitUntil(picked, 2000);
        }
        if (!picked()) return ::testing::AssertionFailure() << "no pick\n" << trace();
        return ::testing::AssertionSuccess();
    }
    std::string trace() {
        return (QStringList{"text: " + text().value_or("(unread)")} + program.log()).join('\n').toStdString();
    }
};

struct SuggestWithoutInputMethodDesktop : WithoutInputMethodDesktop, ::testing::WithParamInterface<Editor> {};

// "hello" (a name in a form's first entry), Tab, the pinyin and Space; then "hello world", Left ×5, the
// pinyin and Space: offered each time, and Tab fills.
TEST_P(SuggestWithoutInputMethodDesktop, PinyinAfterTabOrArrowsIsOfferedAndFilled) {
    ASSERT_TRUE(start({company}, GetParam().program, GetParam().args));
    type({"hello", "<Tab>"});
    // In a form the next entry has the focus once the text read is no longer the first entry's.
    ASSERT_TRUE(waitUntil([&] { return text().value_or("hello") != "hello"; }, desktopDeadlineMs)) << trace();
    type({"gongsidizhi", " "});
    ASSERT_TRUE(offeredAndFilled(0, company.value, 1));
    type({" hello world", "<Left>", "<Left>", "<Left>", "<Left>", "<Left>", "gongsidizhi", " "});
    ASSERT_TRUE(offeredAndFilled(1, company.value, 2));
}

INSTANTIATE_TEST_SUITE_P(
    Editors, SuggestWithoutInputMethodDesktop,
    ::testing::Values(Editor{"Mousepad", "/usr/bin/mousepad", {"--disable-server"}},
                      Editor{"GnomeTextEditor", "/usr/bin/gnome-text-editor", {"--standalone"}},
                      Editor{"GtkForm", "/usr/bin/python3", {MIVORA_GTK_TARGET, "--gtk", "3", "--form"}}),
    [](const ::testing::TestParamInfo<Editor>& info) { return info.param.name; });

using RecallWithoutInputMethodDesktop = WithoutInputMethodDesktop;

// A recall right after a fill of a memory named in Latin letters, and one after Left arrows, show their
// choices. Then an xterm comes in front without a key: a take lands there, and the clipboard and the
// primary selection come back, with no hint to paste by hand.
TEST_F(RecallWithoutInputMethodDesktop, RecallsShowChoicesAndATakeElsewhereKeepsTheClipboard) {
    const StoredSignIn signedIn(platform->secrets()); // a take needs an account
    ASSERT_TRUE(start({company, home, wifi}, "/usr/bin/mousepad", {"--disable-server"}));
    type({"my wifi"});
    ASSERT_TRUE(offeredAndFilled(0, wifi.value, 1));
    ASSERT_TRUE(recallShowsChoices(1));
    ASSERT_TRUE(waitUntil([&] { return text().value_or("").contains(company.value); }, desktopDeadlineMs))
        << trace();

    type({" hello world", "<Left>", "<Left>", "<Left>"});
    ASSERT_TRUE(waitUntil([&] { return text().value_or("").endsWith("hello world"); }, desktopDeadlineMs))
        << trace();
    ASSERT_TRUE(recallShowsChoices(2));
    // The user copies once the recall has landed, not while its paste is on its way.
    ASSERT_TRUE(waitUntil([&] { return program.log().filter("上屏 ").size() == 2; }, desktopDeadlineMs))
        << trace();
    EXPECT_TRUE(waitUntil([&] { return text().value_or("").count(company.value) == 2; }, desktopDeadlineMs))
        << trace();

    runTool("sh", {"-c", "printf clip | xclip -selection clipboard; printf prim | xclip -selection primary"});
    // xclip takes the selections from a process of its own, after the shell has returned.
    const auto usersSelections = [&] {
        return runTool("xclip", {"-o", "-selection", "clipboard"}) == "clip" &&
               runTool("xclip", {"-o", "-selection", "primary"}) == "prim";
    };
    ASSERT_TRUE(waitUntil(usersSelections, desktopDeadlineMs)) << trace();
    ChildProcess xterm;
    ASSERT_TRUE(xterm.start("/usr/bin/xterm", {"-class", "XTerm"})) << "xterm (scripts/install-deps)";
    focusWindowOf(xterm.processId());
    ASSERT_TRUE(inFront(xterm.processId()));
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("明天上午十点开会"));
    ASSERT_TRUE(holdHotkeyAndSpeak({}, [&] { return program.log().filter("开始听").size() == 3; }))
        << trace();
    ASSERT_TRUE(waitUntil([&] { return program.log().filter("上屏 ").size() == 3; }, desktopDeadlineMs))
        << trace();
    EXPECT_TRUE(program.log().filter("上屏 ").last().endsWith("（已插入）")) << trace();
    EXPECT_TRUE(waitUntil(usersSelections, desktopDeadlineMs))
        << runTool("xclip", {"-o", "-selection", "clipboard"}).toStdString() << " / "
        << runTool("xclip", {"-o", "-selection", "primary"}).toStdString() << "\n"
        << trace();
    EXPECT_FALSE(program.logged("输入法")) << trace();
}

} // namespace
