// The real program beside ibus pinyin, which keeps Ctrl+V to itself while it composes: a take and a recall
// of one memory made while `ma` is still composing in mousepad are either in the field (and logged as
// inserted) or kept on the clipboard (and logged so), never gone. Beside fcitx5, which lets the paste
// through, they land and the clipboard comes back.
#include "LinuxDesktop.h"
#include "support/FakeOpenAI.h"
#include "support/Fcitx.h"
#include "support/Ibus.h"
#include "support/RelayProgram.h"
#include "support/StoredSignIn.h"

#include <QStandardPaths>
#include <QTemporaryDir>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/DesktopInput.h"

using namespace mivora;
using namespace mivora::test;

namespace {

struct CompositionTakeDesktop : LinuxDesktop, ::testing::WithParamInterface<bool> {
    // ibus when the parameter is true, fcitx5 otherwise.
    std::optional<Ibus> ibus;
    std::optional<Fcitx> fcitx;
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram program{dir, server.url("/")};
    QProcess mousepad;
    const std::unique_ptr<Display, int (*)(Display*)> display{XOpenDisplay(nullptr), XCloseDisplay};

    ~CompositionTakeDesktop() override {
        XTestFakeKeyEvent(display.get(), XKeysymToKeycode(display.get(), XK_Shift_R), False, CurrentTime);
        XSync(display.get(), False);
        mousepad.kill();
        mousepad.waitForFinished(5000);
    }
    // The text of mousepad's document as the accessibility bus reads it; nothing when it cannot be read.
    std::optional<QString> document() {
        const TextAccess::Read read = platform->textAccess().focusedText(mousepad.processId());
        return read.field ? read.field->value() : std::nullopt;
    }
    QString clipboard() { return runTool("xclip", {"-o", "-selection", "clipboard"}); }
    // The signed-in program with the memories, then mousepad in front of it typing pinyin.
    ::testing::AssertionResult start(const QList<Memory>& memories) {
        if (!display) return ::testing::AssertionFailure() << "no display";
        if (QStandardPaths::findExecutable("mousepad").isEmpty())
            return ::testing::AssertionFailure() << "no mousepad (scripts/install-deps)";
        if (GetParam())
            ibus.emplace();
        else
            fcitx.emplace();
        if (ibus ? !ibus->ready() : !fcitx->ready())
            return ::testing::AssertionFailure() << "the input method did not start (scripts/install-deps)\n"
                                                 << (ibus ? ibus->output() : fcitx->output()).toStdString();
        program.holdMemories(memories);
        QProcess* mivora = program.start();
        if (auto watching = program.watchesKeys(); !watching) return watching;
        if (!inFront(mivora->processId())) return ::testing::AssertionFailure() << "no main window";
        QProcessEnvironment env = ibus ? Ibus::environment() : Fcitx::environment();
        env.remove("QT_QPA_PLATFORM");
        mousepad.setProcessEnvironment(env);
        mousepad.start("mousepad", {dir.filePath("notes.txt")});
        focusWindowOf(mousepad.processId());
        if (!inFront(mousepad.processId()))
            return ::testing::AssertionFailure() << "mousepad never came in front";
        if (ibus && !ibus->usePinyin()) return ::testing::AssertionFailure() << "pinyin never came on";
        // Keys typed before the program can tell the field is no password field feed nothing.
        if (!waitUntil([&] { return document() == QString(); }, desktopDeadlineMs))
            return ::testing::AssertionFailure() << "the document never showed on the accessibility bus";
        return ::testing::AssertionSuccess();
    }
    // `m a` at an ordinary pace: a composition the document does not hold.
    void composeMa() {
        for (const KeySym key : {XK_m, XK_a}) {
            pressKey(display.get(), key);
            QTest::qWait(150);
        }
    }
    // The insertion that followed take number `take` landed, or its text stayed on the clipboard; the log
    // says which.
    ::testing::AssertionResult landedOrKept(int take, const QString& text) {
        if (!waitUntil([&] { return program.log().filter("上屏").size() == take; }, desktopDeadlineMs))
            return ::testing::AssertionFailure() << program.log().join('\n').toStdString();
        const QString logged = program.log().filter("上屏").last();
        // Past the moment a landed text gives the user's clipboard back.
        QTest::qWait(1500);
        const QString now = document().value_or("?");
        // fcitx5 lets the paste through: it lands beside the composition, and the user's clipboard comes
        // back.
        if (logged.endsWith("（已插入）") && now.contains(text) && (ibus || clipboard() == "before"))
            return ::testing::AssertionSuccess();
        if (ibus && logged.endsWith("（留在剪贴板）") && clipboard() == text)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << logged.toStdString() << "\ndocument: " << now.toStdString()
                                             << "\nclipboard: " << clipboard().toStdString();
    }
};

const Memory company{.title = "公司地址", .type = "地址", .value = "北京市海淀区中关村大街1号"};

} // namespace

TEST_P(CompositionTakeDesktop, ATakeOrARecallOverAPinyinCompositionIsNeverLost) {
    const QString words = QStringLiteral("明天上午十点开会");
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription(words));
    const StoredSignIn signedIn(platform->secrets());
    ASSERT_TRUE(start({company}));
    runTool("sh", {"-c", "printf before | xclip -selection clipboard"});

    composeMa();
    ASSERT_TRUE(holdHotkeyAndSpeak({}, [&] { return program.log().filter("开始听").size() == 1; }))
        << program.log().join('\n').toStdString();
    EXPECT_TRUE(landedOrKept(1, words));

    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("公司地址"));
    pressKey(display.get(), XK_Escape);
    composeMa();
    XTestFakeKeyEvent(display.get(), XKeysymToKeycode(display.get(), XK_Shift_R), True, CurrentTime);
    XSync(display.get(), False);
    ASSERT_TRUE(holdHotkeyAndSpeak({}, [&] { return program.log().filter("开始听").size() == 2; }))
        << program.log().join('\n').toStdString();
    XTestFakeKeyEvent(display.get(), XKeysymToKeycode(display.get(), XK_Shift_R), False, CurrentTime);
    XSync(display.get(), False);
    EXPECT_TRUE(landedOrKept(2, company.value));
    EXPECT_TRUE(program.logged("唤起：直接填入")) << program.log().join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(IbusAndFcitx, CompositionTakeDesktop, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Ibus" : "Fcitx";
                         });
