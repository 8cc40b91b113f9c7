// The real program beside a GTK password entry in an application busy 400 of every 500 ms, whose answers to
// the program's looks at its focus mostly come too late: what is typed there must neither bring up a strip
// nor leave a line of its keys in the log.
#include "LinuxDesktop.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/RelayProgram.h"
#include "support/TargetWindow.h"

#include <QRegularExpression>
#include <QTemporaryDir>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/DesktopInput.h"

using namespace mivora;
using namespace mivora::test;

namespace {

struct BusyPasswordField : LinuxDesktop {};

TEST_F(BusyPasswordField, GetsNoStripAndLeavesNoLineOfItsKeys) {
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram program(dir, server.url("/"));
    program.holdMemories({Memory{.title = "公司地址", .value = "北京市海淀区中关村大街1号"}});
    QProcess* mivora = program.start();
    ASSERT_TRUE(program.watchesKeys());
    ASSERT_TRUE(inFront(mivora->processId()));
    TargetWindow password;
    ASSERT_TRUE(
        password.start("/usr/bin/python3", {MIVORA_GTK_TARGET, "--gtk", "3", "--password", "--busy"}));
    ASSERT_TRUE(password.waitForLine("ready"));
    ASSERT_TRUE(inFront(password.processId()));
    const std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(nullptr), XCloseDisplay);
    ASSERT_TRUE(display);

    // The pinyin of the memory's name and Space, three times over, at an ordinary pace (150 ms a key),
    // each followed by a pause the program looks at the field in.
    QString typed;
    for (int round = 0; round < 3; ++round) {
        for (const char* key : {"g", "o", "n", "g", "s", "i", "d", "i", "z", "h", "i", "space"}) {
            pressKey(display.get(), XStringToKeysym(key));
            QTest::qWait(150);
        }
        typed += "gongsidizhi ";
        ASSERT_TRUE(password.waitForLine("text:" + typed)) << password.texts().join('\n').toStdString();
        EXPECT_FALSE(waitUntil([&] { return program.logged("打字触发：递上一条"); }, 2000))
            << program.log().join('\n').toStdString();
    }

    // A plain field, where the memory is offered: by the time its strip shows, whatever the password
    // field's keys brought up would have come before.
    ChildProcess plain;
    ASSERT_TRUE(plain.startInFront(platform->frontApplication(), "mivora_target"));
    ASSERT_TRUE(
        waitUntil([&] { return platform->textAccess().focusedText(0).field != nullptr; }, desktopDeadlineMs));
    ASSERT_TRUE(typeText(plain, "公司地址")) << plain.lines().join('\n').toStdString();
    EXPECT_TRUE(waitUntil([&] { return program.logged("打字触发：递上一条"); }, desktopDeadlineMs))
        << program.log().join('\n').toStdString();
    EXPECT_EQ(program.log().filter("打字触发：递上一条").size(), 1) << program.log().join('\n').toStdString();
    EXPECT_EQ(program.log().filter(QRegularExpression("拼音|填入")), QStringList())
        << program.log().join('\n').toStdString();
}

} // namespace
