#include "Dictation/Permissions.h"
#include "Insertion/TextInserter.h"
#include "Keys/KeyTap.h"
#include "Memories/MemoryStore.h"
#include "MivoraUI/Suggest/SuggestPanel.h"
#include "Platform/TextAccess.h"
#include "Suggest/CaretReader.h"
#include "Suggest/SuggestController.h"

#include "LinuxDesktop.h"
#include "LiveVoiceSystem.h"
#include "support/ChildProcess.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

// Brings Xlib, whose macros clash with Qt and GoogleTest names: include it last.
#include "support/DesktopInput.h"

namespace mivora::test {
namespace {

// The suggestion pieces wired as the shell wires them: the key tap hands every input to the controller
// first, the strip follows its offers. Another application's line edit has the focus; the user types with
// xdotool (Chinese characters have no key of their own).
struct SuggestDesktop : LinuxDesktop {
    std::unique_ptr<MemoryStore> store = MemoryStore::scratch(clock);
    TextInserter inserter{*platform, scheduler};
    CaretReader reader{*platform};
    KeyTap tap{platform->makeKeySource(), clock};
    SuggestController controller{inserter, store.get(), reader,    platform->frontApplication(),
                                 tap,      defaults,    scheduler, clock};
    QStringList logs;
    SuggestPanel panel{controller, platform->frontApplication(), scheduler, false,
                       [this](const QString& line) { logs << line; }};
    ChildProcess target;

    SuggestDesktop() {
        store->upsert(Memory{.title = "地址", .value = "北京市朝阳区"});
        controller.log = [this](const QString& line) { logs << line; };
        tap.handler = [this](const KeyInput& input, double) { return controller.handle(input); };
    }
    void SetUp() override { ASSERT_TRUE(tap.start()); }
};

// Tab, Esc and the strip's coming and going run through the real program; here the strip's place at the
// caret the desktop reports: its top edge 2 px below the caret, 10 px left of it.
TEST_F(SuggestDesktop, ATypedNameIsOfferedAtTheCaret) {
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target"));
    // The window is in front before its widget is announced on the accessibility bus.
    ASSERT_TRUE(
        waitUntil([&] { return platform->textAccess().focusedText(0).field != nullptr; }, desktopDeadlineMs));
    EXPECT_EQ(platform->frontApplication().frontWindowFrame(), std::nullopt) << "too low to hold the strip";
    ASSERT_TRUE(typeText(target, "我的地址")) << target.lines().join('\n').toStdString();
    ASSERT_TRUE(waitUntil([&] { return controller.offer().has_value(); }, desktopDeadlineMs))
        << logs.join('\n').toStdString();
    const QRectF caret = controller.offer()->rect;
    ASSERT_NE(caret, QRectF());
    const QRectF topLeft = flipScreenRect(caret, QGuiApplication::screens().first()->geometry().height());
    EXPECT_TRUE(waitUntil([&] { return panel.isVisible(); }, desktopDeadlineMs));
    EXPECT_EQ(panel.pos(), QPoint(int(topLeft.left()) - 10, int(topLeft.bottom()) + 2));
    EXPECT_LT(topLeft.left(), 400); // inside the target's 400 px wide window
}

// While the strip shows, Tab is the strip's alone however soon it follows: pressed the moment the strip is
// up, again and again, it fills the memory in and never reaches the application.
TEST_F(SuggestDesktop, TabPressedAsSoonAsTheStripShowsFillsAndNeverReachesTheApplication) {
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target"));
    ASSERT_TRUE(
        waitUntil([&] { return platform->textAccess().focusedText(0).field != nullptr; }, desktopDeadlineMs));
    const std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(nullptr), XCloseDisplay);
    ASSERT_TRUE(display);
    QString expected;
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(typeText(target, "我的地址")) << target.lines().join('\n').toStdString();
        expected += "我的地址";
        ASSERT_TRUE(waitUntil([&] { return panel.isVisible(); }, desktopDeadlineMs)) << i;
        pressKey(display.get(), XK_Tab);
        expected += "：北京市朝阳区";
        ASSERT_TRUE(target.waitForLine("text:" + expected)) << i << "\n"
                                                            << target.lines().join('\n').toStdString();
        ASSERT_TRUE(waitUntil([&] { return !panel.isVisible(); }, desktopDeadlineMs)) << i;
    }
    EXPECT_EQ(target.lines().filter("press:Tab").size(), 0) << target.lines().join('\n').toStdString();
}

// A field whose text begins with U+FEFF: the mark is a position like any other character, so the caret and
// the text before it are where the field has them.
TEST_F(SuggestDesktop, AByteOrderMarkAtTheStartOfTheFieldIsAPosition) {
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target",
                                    {"--text", "%EF%BB%BF%E5%9C%B0%E5%9D%80"}));
    std::optional<CaretReader::Caret> caret;
    ASSERT_TRUE(waitUntil([&] { return (caret = reader.read(24)).has_value(); }, 5000))
        << reader.lastFailure.toStdString();
    EXPECT_EQ(caret->before, QString(QChar(0xFEFF)) + "地址");
    EXPECT_EQ(caret->key.section(':', 1), QString("3:") + QChar(0xFEFF) + "地址");
}

// A password field gets no offer, and dictation is told that secure input is on.
TEST_F(SuggestDesktop, APasswordFieldGetsNoOfferAndTurnsSecureInputOn) {
    Permissions permissions(*platform, defaults);
    const VoiceController::System live = liveVoiceSystem(*platform, permissions, defaults);
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target", {"--password"}));
    ASSERT_TRUE(waitUntil([&] { return !reader.read(24) && reader.lastFailure == "安全输入（?）"; },
                          desktopDeadlineMs))
        << reader.lastFailure.toStdString();
    EXPECT_TRUE(live.secureInput());
    ASSERT_TRUE(typeText(target, "我的地址"));
    // The check after the last key read the field and gave up on it.
    EXPECT_TRUE(waitUntil([&] { return logs.contains("打字触发：安全输入（?）"); }, desktopDeadlineMs))
        << logs.join('\n').toStdString();
    EXPECT_FALSE(controller.offer());
    EXPECT_FALSE(panel.isVisible());
}

} // namespace
} // namespace mivora::test
