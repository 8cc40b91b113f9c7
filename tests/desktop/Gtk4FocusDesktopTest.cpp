// GTK 4 marks only its windows "showing", not the widgets in them: its focused field is found all the
// same, as GTK 3's is. Qt 6 marks the current tab of a tab bar focused beside the editor that has the keys:
// the editor is the focused field. So a take pasted into a GTK 4 text view or below a Qt tab bar gives the
// user's clipboard back, and a memory's name typed there is offered in the strip.
#include "Insertion/TextInserter.h"

#include "LinuxDesktop.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/RelayProgram.h"
#include "support/StoredSignIn.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <functional>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/DesktopInput.h"

using namespace mivora;
using namespace mivora::test;

namespace {

const QString copied = QStringLiteral("之前复制的");

struct Gtk4FocusDesktop : LinuxDesktop {
    // The GTK test window with `gtk` version and `args` started as `target`, in front, its field announced
    // on the accessibility bus.
    bool gtkInFront(ChildProcess& target, const QString& gtk, const QStringList& args) {
        return target.startInFront(platform->frontApplication(), "/usr/bin/python3",
                                   QStringList{MIVORA_GTK_TARGET, "--gtk", gtk, "--nested", "8"} + args) &&
               waitUntil([&] { return platform->textAccess().focusedText(0).field != nullptr; },
                         desktopDeadlineMs);
    }
    // Whether the clipboard, as another application reads it, holds `text`.
    static bool clipboardHolds(const QString& text) {
        return waitUntil([&] { return clipboardAs("UTF8_STRING") == text.toUtf8(); }, desktopDeadlineMs);
    }
    // A take and a strip through the real program into the field `inFront` brings up.
    void offersAMemoryAndGivesTheClipboardBack(const std::function<bool(ChildProcess&)>& inFront) {
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
        ASSERT_TRUE(inFront(target)) << target.lines().join('\n').toStdString();

        // The strip first: right after a take the program shows its result a moment before it offers again.
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
};

} // namespace

// The focused field of either toolkit is a text field, read the same from the front application and from
// anywhere on the desktop; the inserter pastes into it and gives the clipboard back.
TEST_F(Gtk4FocusDesktop, TheFocusedFieldOfGtk3AndGtk4IsFoundAndItsClipboardComesBack) {
    const std::pair<QString, QStringList> windows[] = {
        {"4", {"--textview"}}, {"4", {}}, {"3", {"--textview"}}, {"3", {}}};
    for (const auto& [gtk, args] : windows) {
        SCOPED_TRACE(("GTK " + gtk + " " + args.join(' ')).toStdString());
        ChildProcess target;
        ASSERT_TRUE(gtkInFront(target, gtk, args)) << target.lines().join('\n').toStdString();
        const Accessibility::FocusRead read = platform->accessibility().focusedElement(target.processId());
        ASSERT_TRUE(read.element) << int(read.error);
        EXPECT_EQ(read.element->role(), args.isEmpty() ? "AXTextField" : "AXTextArea");
        const Accessibility::FocusRead anywhere = platform->accessibility().focusedElementAnywhere();
        ASSERT_TRUE(anywhere.element);
        EXPECT_EQ(anywhere.element->role(), read.element->role());

        QGuiApplication::clipboard()->setText(copied);
        TextInserter inserter{*platform, scheduler};
        EXPECT_EQ(QCoro::waitFor(inserter.insert(QStringLiteral("文字"))), InsertResult::inserted());
        EXPECT_TRUE(target.waitForLine("text:文字")) << target.lines().join('\n').toStdString();
        EXPECT_TRUE(clipboardHolds(copied));
    }
}

// A real GTK 4 application: its text view sits deep in panels that are not marked showing.
TEST_F(Gtk4FocusDesktop, GnomeTextEditorsTextViewIsFound) {
    ChildProcess editor;
    ASSERT_TRUE(editor.start("/usr/bin/gnome-text-editor", {"--standalone"})) << "scripts/install-deps";
    ASSERT_TRUE(waitUntil(
        [&] { return platform->frontApplication().current().value_or(FrontApp{}).pid == editor.processId(); },
        desktopDeadlineMs));
    QString role;
    EXPECT_TRUE(waitUntil(
        [&] {
            const auto read = platform->accessibility().focusedElement(editor.processId());
            role = read.element ? read.element->role() : QString::number(int(read.error));
            return role == "AXTextArea";
        },
        desktopDeadlineMs))
        << role.toStdString();
}

// The real program: a memory's name typed into a GTK 4 text view, or into a Qt editor below a tab bar, brings
// up the strip, and a take spoken there lands, says it went in (no hint to paste by hand) and gives the
// clipboard back.
TEST_F(Gtk4FocusDesktop, TheProgramOffersAMemoryAndGivesTheClipboardBackInAGtk4TextView) {
    offersAMemoryAndGivesTheClipboardBack(
        [&](ChildProcess& target) { return gtkInFront(target, "4", {"--textview"}); });
}

TEST_F(Gtk4FocusDesktop, TheProgramOffersAMemoryAndGivesTheClipboardBackBelowAQtTabBar) {
    offersAMemoryAndGivesTheClipboardBack([&](ChildProcess& target) {
        return target.startInFront(platform->frontApplication(), "mivora_tabbed_target") &&
               waitUntil([&] { return platform->textAccess().focusedText(0).field != nullptr; },
                         desktopDeadlineMs);
    });
}
