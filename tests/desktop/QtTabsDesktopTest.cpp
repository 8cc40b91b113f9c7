// A Qt 6 window with a tab bar above its editor: Qt marks the current tab focused as well as the editor,
// and the editor, which takes the keys, is the focused element. So a take pasted there gives the user's
// clipboard back with no hint to paste by hand, and a memory's name typed there is offered in the strip.
#include "LinuxDesktop.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/RelayProgram.h"
#include "support/StoredSignIn.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTemporaryDir>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/DesktopInput.h"

using namespace mivora;
using namespace mivora::test;

namespace {

const QString copied = QStringLiteral("之前复制的");

struct QtTabsDesktop : LinuxDesktop {
    // The tabbed window in front, its editor announced on the accessibility bus.
    bool tabbedInFront(ChildProcess& target) {
        return target.startInFront(platform->frontApplication(), "mivora_tabbed_target") &&
               waitUntil([&] { return platform->textAccess().focusedText(0).field != nullptr; },
                         desktopDeadlineMs);
    }
    static bool clipboardHolds(const QString& text) {
        return waitUntil([&] { return clipboardAs("UTF8_STRING") == text.toUtf8(); }, desktopDeadlineMs);
    }
};

} // namespace

// The real program: a memory's name typed into the editor brings up the strip, and a take spoken there
// lands, says it was inserted (no hint to paste by hand) and gives the clipboard back.
TEST_F(QtTabsDesktop, TheProgramOffersAMemoryAndGivesTheClipboardBackBelowATabBar) {
    const QString words = QStringLiteral("明天上午十点开会");
    FakeOpenAI server;
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription(words));
    QTemporaryDir dir;
    RelayProgram program(dir, server.url("/"));
    program.holdMemories({Memory{.title = "地址", .value = "北京市朝阳区"}});
    const StoredSignIn signedIn(platform->secrets());
    QProcess* mivora = program.start();
    ASSERT_TRUE(program.watchesKeys());
    // The main window opens at launch; the target comes in front of it only after it is up.
    ASSERT_TRUE(waitUntil(
        [&] {
            return platform->frontApplication().current().value_or(FrontApp{}).pid == mivora->processId();
        },
        desktopDeadlineMs));
    ChildProcess target;
    ASSERT_TRUE(tabbedInFront(target)) << target.lines().join('\n').toStdString();

    ASSERT_TRUE(typeText(target, "我的地址")) << target.lines().join('\n').toStdString();
    const auto strip = [&](bool shown) {
        return waitUntil([&] { return windowShown(mivora->processId(), 360, 44) == shown; },
                         desktopDeadlineMs);
    };
    EXPECT_TRUE(strip(true)) << program.log().join('\n').toStdString();
    Display* display = XOpenDisplay(nullptr);
    ASSERT_TRUE(display);
    pressKey(display, XK_Escape);
    XCloseDisplay(display);
    EXPECT_TRUE(strip(false)) << program.log().join('\n').toStdString();

    QGuiApplication::clipboard()->setText(copied);
    ASSERT_TRUE(clipboardHolds(copied));
    ASSERT_TRUE(holdHotkeyAndSpeak({}, [&] { return program.logged("开始听"); }))
        << program.log().join('\n').toStdString();
    EXPECT_TRUE(target.waitForLine("text:我的地址" + words))
        << (program.log() + target.lines()).join('\n').toStdString();
    EXPECT_TRUE(waitUntil([&] { return program.logged("上屏 "); }, desktopDeadlineMs))
        << program.log().join('\n').toStdString();
    EXPECT_TRUE(program.logged("（已插入）")) << program.log().join('\n').toStdString();
    EXPECT_TRUE(clipboardHolds(copied)) << program.log().join('\n').toStdString();
    EXPECT_EQ(mivora->state(), QProcess::Running);
}
