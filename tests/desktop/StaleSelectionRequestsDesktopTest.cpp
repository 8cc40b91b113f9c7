// A paste asked for with a time stamp older than our clipboard (as fcitx5's GTK module stamps the keys it
// re-sends) still gets what the clipboard holds.
#include "LinuxDesktop.h"
#include "support/ChildProcess.h"

#include <QWindow>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

using namespace mivora;
using namespace mivora::test;

namespace {

// What another program gets when it asks for `selection` as UTF-8 text, stamped with `time`; nothing when
// the owner refuses.
std::optional<QByteArray> askFor(const char* selection, Time time) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return std::nullopt;
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    const Atom property = XInternAtom(display, "MIVORA_TEST_PASTE", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    XConvertSelection(display, XInternAtom(display, selection, False), utf8, property, window, time);
    XFlush(display);
    XEvent event{};
    const bool answered =
        waitUntil([&] { return XCheckTypedWindowEvent(display, window, SelectionNotify, &event) == True; },
                  desktopDeadlineMs);
    std::optional<QByteArray> got;
    if (answered && event.xselection.property != None) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, property, 0, 1 << 16, True, AnyPropertyType, &type, &format,
                               &count, &after, &data) == Success &&
            data) {
            got = QByteArray(reinterpret_cast<const char*>(data), int(count));
            XFree(data);
        }
    }
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return got;
}

} // namespace

TEST_F(LinuxDesktop, ARequestStampedBeforeOurClipboardTookItStillGetsTheText) {
    // Qt stamps the selections it takes with the time of the last event it saw: let it see one, as the
    // program sees events all the time.
    QWindow window;
    window.create();
    Display* display = XOpenDisplay(nullptr);
    ASSERT_TRUE(display);
    const Atom seen = XInternAtom(display, "MIVORA_TEST_SEEN", False);
    const unsigned char one = 1;
    XChangeProperty(display, Window(window.winId()), seen, XA_INTEGER, 8, PropModeReplace, &one, 1);
    XSync(display, False);
    XCloseDisplay(display);
    QTest::qWait(200);
    for (Pasteboard* board : {&platform->pasteboard(), platform->selection()}) {
        ASSERT_TRUE(board);
        const QByteArray text = board == platform->selection() ? "选中的文字" : "复制的文字";
        board->write({{{QStringLiteral("text/plain"), text}}});
        const char* selection = board == platform->selection() ? "PRIMARY" : "CLIPBOARD";
        SCOPED_TRACE(selection);
        EXPECT_EQ(askFor(selection, CurrentTime), text);
        // Time 1: the server's first millisecond, long before anything owned the selection.
        EXPECT_EQ(askFor(selection, 1), text);
    }
}
