#include "Insertion/TextInserter.h"
#include "Keys/KeyTap.h"
#include "Memories/MemoryStore.h"
#include "MivoraUI/SuggestPanel.h"
#include "Platform/TextAccess.h"
#include "Suggest/CaretReader.h"
#include "Suggest/SuggestController.h"

#include "LinuxDesktop.h"
#include "support/ChildProcess.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

// Xlib's macros clash with Qt and GoogleTest names: include it last.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace mivora::test {
namespace {

// The suggestion pieces wired as the shell wires them: the key tap hands every input to the controller
// first, the strip follows its offers. Another application's line edit has the focus; the user types with
// XTest (xdotool for Chinese characters, which have no key of their own).
struct SuggestDesktop : LinuxDesktop {
    std::unique_ptr<MemoryStore> store = MemoryStore::scratch(clock);
    TextInserter inserter{*platform, scheduler};
    CaretReader reader{*platform};
    KeyTap tap{platform->makeKeySource(), clock};
    SuggestController controller{inserter, store.get(), reader,    platform->frontApplication(),
                                 tap,      defaults,    scheduler, clock};
    QStringList logs;
    SuggestPanel panel{controller, platform->frontApplication(), scheduler,
                       [this](const QString& line) { logs << line; }};
    ChildProcess target;
    Display* display = XOpenDisplay(nullptr);

    SuggestDesktop() {
        store->upsert(Memory{.title = "地址", .value = "北京市朝阳区"});
        controller.log = [this](const QString& line) { logs << line; };
        tap.handler = [this](const KeyInput& input, double) { return controller.handle(input); };
    }
    ~SuggestDesktop() override {
        if (display) XCloseDisplay(display);
    }
    void SetUp() override {
        ASSERT_TRUE(display);
        ASSERT_TRUE(tap.start());
    }
    void type(const QString& text) { QProcess::execute("xdotool", {"type", "--delay", "40", text}); }
    void key(KeySym sym) {
        for (const bool down : {true, false}) {
            XTestFakeKeyEvent(display, XKeysymToKeycode(display, sym), down, CurrentTime);
            XFlush(display);
            waitUntil([] { return false; }, 60);
        }
    }
    // The strip is shown at the caret of the offer: its top edge 2 px below the caret, 10 px left of it.
    void expectStripAtTheCaret() {
        ASSERT_TRUE(waitUntil([&] { return controller.offer().has_value(); }, 5000))
            << logs.join('\n').toStdString();
        const QRectF caret = controller.offer()->rect;
        ASSERT_NE(caret, QRectF());
        const QRectF topLeft = flipScreenRect(caret, QGuiApplication::screens().first()->geometry().height());
        EXPECT_TRUE(waitUntil([&] { return panel.isVisible(); }, 2000));
        EXPECT_EQ(panel.pos(), QPoint(int(topLeft.left()) - 10, int(topLeft.bottom()) + 2));
        EXPECT_LT(topLeft.left(), 400);       // inside the target's 400 px wide window
        waitUntil([] { return false; }, 100); // the grab of Tab and Esc reaches the server
    }
};

TEST_F(SuggestDesktop, TypedNameIsOfferedAtTheCaretTabInsertsAndEscDismisses) {
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target"));
    // The window is in front before its widget is announced on the accessibility bus.
    ASSERT_TRUE(waitUntil([&] { return platform->textAccess().focusedText(0).field != nullptr; }, 5000));

    type("我的地址");
    expectStripAtTheCaret();
    key(XK_Tab);
    EXPECT_TRUE(target.waitForLine("text:我的地址：北京市朝阳区")) << target.lines().join('\n').toStdString();
    EXPECT_FALSE(target.lines().contains("press:Tab"));
    EXPECT_TRUE(waitUntil([&] { return !panel.isVisible(); }, 2000));

    // Pinyin letters committed with Space (no input method here: the letters stay in the field).
    type("wodedizhi ");
    expectStripAtTheCaret();
    EXPECT_TRUE(logs.contains("打字触发：递上一条（按拼音）"));
    key(XK_Escape);
    EXPECT_TRUE(waitUntil([&] { return !controller.offer(); }, 2000));
    key(XK_a);
    ASSERT_TRUE(target.waitForLine("text:我的地址：北京市朝阳区wodedizhi a"));
    EXPECT_FALSE(target.lines().contains("press:Esc"));
}

TEST_F(SuggestDesktop, APasswordFieldGetsNoOffer) {
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target", {"--password"}));
    ASSERT_TRUE(waitUntil([&] { return !reader.read(24) && reader.lastFailure == "安全输入（?）"; }, 5000))
        << reader.lastFailure.toStdString();
    type("我的地址");
    waitUntil([] { return false; }, 1000);
    EXPECT_FALSE(controller.offer());
    EXPECT_FALSE(panel.isVisible());
}

} // namespace
} // namespace mivora::test
