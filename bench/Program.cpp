// The real program on the desktop of scripts/with-desktop (run the benchmark inside it), in folders of its
// own (HOME and XDG_*): cold start to a running event loop, resident memory after the start, timer wake-ups
// while idle with the main window closed, and the time from the hotkey's release to the text appearing in
// another application, with a recognition server in another process that answers at once.
#include "Platform/Linux/LinuxPlatform.h"
#include "QtBenchmarkMain.h"
#include "Support/Clock.h"
#include "Support/Scheduler.h"

#include "support/ChildProcess.h"
#include "support/MemoryDefaults.h"
#include "support/StoredSignIn.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>

// Brings Xlib, whose macros clash with Qt and GoogleTest names: include it last.
#include "support/DesktopInput.h"

namespace {

using namespace mivora;
using namespace mivora::test;

const QString transcript = QStringLiteral("明天上午十点开会");

// The program in scratch folders of its own (settings, data, state, cache) with a relay on the loopback
// server, which runs as a process of its own.
struct Program {
    QTemporaryDir dir;
    QProcess server;
    QProcess process;

    Program() {
        server.start(MIVORA_API_SERVER_PATH, {transcript});
        server.waitForReadyRead(10000);
        const QString root = QString::fromUtf8(server.readLine()).trimmed();
        QFile info(dir.filePath("Info.json"));
        info.open(QIODevice::WriteOnly);
        info.write(
            QJsonDocument(QJsonObject{{"YarrikProxyURL", QJsonValue(root)}, {"YarrikProxyToken", "dev"}})
                .toJson());
        info.close();
        const QString home = dir.filePath("home");
        process.setEnvironment(QProcess::systemEnvironment()
                               << "MIVORA_INFO_JSON=" + info.fileName() << "HOME=" + home
                               << "XDG_CONFIG_HOME=" + home + "/.config"
                               << "XDG_DATA_HOME=" + home + "/.local/share"
                               << "XDG_STATE_HOME=" + home + "/.local/state"
                               << "XDG_CACHE_HOME=" + home + "/.cache");
    }
    ~Program() {
        ::kill(pid_t(process.processId()), SIGTERM);
        waitUntil([&] { return process.state() == QProcess::NotRunning; }, 10000);
        server.kill();
        server.waitForFinished(5000);
    }
    // Starts it and waits until its event loop answers a second start; the seconds that took.
    double start() {
        QElapsedTimer timer;
        timer.start();
        process.start(MIVORA_APP_PATH, {});
        const QString socket =
            QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + "/mivora.socket";
        waitUntil(
            [&] {
                QLocalSocket probe;
                probe.connectToServer(socket);
                if (!probe.waitForConnected(50)) return false;
                probe.write("reopen\n");
                return probe.waitForReadyRead(2000) && probe.readLine() == "reopen\n";
            },
            20000);
        return double(timer.nsecsElapsed()) / 1e9;
    }
    // A counter from /proc/<pid>/status, summed over the program's threads (or of its main thread only).
    long status(const QByteArray& field, bool mainThreadOnly = false) const {
        const QString pid = QString::number(process.processId());
        long sum = 0;
        const QStringList tasks =
            mainThreadOnly ? QStringList{pid}
                           : QDir("/proc/" + pid + "/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString& task : tasks) {
            QFile file("/proc/" + pid + "/task/" + task + "/status");
            file.open(QIODevice::ReadOnly);
            for (const QByteArray& line : file.readAll().split('\n'))
                if (line.startsWith(field + ":"))
                    sum += line.mid(field.size() + 1).trimmed().split(' ').first().toLong();
        }
        return sum;
    }
    long wakeUps(bool mainThreadOnly) const {
        return status("voluntary_ctxt_switches", mainThreadOnly) +
               status("nonvoluntary_ctxt_switches", mainThreadOnly);
    }
};

// Asks every top-level window titled `title` to close, as a window manager's close button does.
void closeWindows(const char* title) {
    Display* display = XOpenDisplay(nullptr);
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    for (unsigned i = 0; i < count; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name && std::strcmp(name, title) == 0) {
            XEvent event{};
            event.xclient.type = ClientMessage;
            event.xclient.window = children[i];
            event.xclient.message_type = protocols;
            event.xclient.format = 32;
            event.xclient.data.l[0] = long(deleteWindow);
            XSendEvent(display, children[i], False, NoEventMask, &event);
        }
        if (name) XFree(name);
    }
    if (children) XFree(children);
    XCloseDisplay(display);
}

void ColdStart(benchmark::State& state) {
    for (auto _ : state) {
        Program program;
        state.SetIterationTime(program.start());
        waitUntil([] { return false; }, 300);
        state.counters["rss_MB"] = double(program.status("VmRSS", true)) / 1024;
    }
}
BENCHMARK(ColdStart)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void IdleWakeUps(benchmark::State& state) {
    for (auto _ : state) {
        Program program;
        program.start();
        closeWindows("Veskel");
        waitUntil([] { return false; }, 2000);
        const long main = program.wakeUps(true), all = program.wakeUps(false);
        waitUntil([] { return false; }, 10000);
        state.counters["main_thread_per_10s"] = double(program.wakeUps(true) - main);
        state.counters["all_threads_per_10s"] = double(program.wakeUps(false) - all);
    }
}
BENCHMARK(IdleWakeUps)->Unit(benchmark::kSecond)->Iterations(1);

// Runs the event loop until `done` is true, waking only for events (no sleeping); false after `timeoutMs`.
bool spinUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer limit;
    limit.start();
    while (!done() && limit.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

// Gives the clipboard to another application (xclip) holding `text`, as a user's copy would.
bool clipboardOwnedElsewhere(const QByteArray& text) {
    QProcess xclip;
    xclip.start("xclip", {"-selection", "clipboard", "-i"});
    xclip.write(text);
    xclip.closeWriteChannel();
    xclip.waitForFinished(5000); // it stays in the background, serving the selection
    return waitUntil([&] { return clipboardAs("UTF8_STRING") == text; }, 5000);
}

double loadAverage() {
    QFile file("/proc/loadavg");
    file.open(QIODevice::ReadOnly);
    return file.readAll().split(' ').value(0).toDouble();
}

// From the moment the hotkey's release is sent through XTest until the other application shows the text
// (it prints each change of its line edit); the program's first take after its start is reported apart.
void ReleaseToText(benchmark::State& state) {
    MemoryDefaults defaults;
    SystemClock clock;
    QtScheduler scheduler;
    const std::unique_ptr<Platform> platform = LinuxPlatform::make(defaults, clock, scheduler);
    const StoredSignIn signedIn(platform->secrets());
    Program program;
    program.start();
    ChildProcess target;
    if (!target.startInFront(platform->frontApplication(), "mivora_target"))
        return state.SkipWithError("no target");
    Display* display = XOpenDisplay(nullptr);
    const auto hotkey = [&](bool down) {
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, XK_Control_R), down, CurrentTime);
        XFlush(display);
    };
    const std::vector<std::int16_t> spoken = speech(1.4, 0.8).samples;
    std::vector<double> times;
    for (auto _ : state) {
        if (!clipboardOwnedElsewhere("before " + QByteArray::number(times.size())))
            return state.SkipWithError("xclip did not take the clipboard");
        const auto texts = [&] { return target.lines().filter("text:").size(); };
        const qsizetype before = texts();
        MicFifo::drain();
        hotkey(true);
        QElapsedTimer held;
        held.start();
        if (!waitUntil(MicFifo::recording, 5000) || !MicFifo::feed(spoken))
            return state.SkipWithError("nothing recorded");
        waitUntil([&] { return held.elapsed() > 400; }, 2000);
        QElapsedTimer released;
        hotkey(false);
        released.start();
        if (!spinUntil([&] { return texts() > before; }, 15000))
            return state.SkipWithError("no text arrived");
        times.push_back(double(released.nsecsElapsed()) / 1e9);
        state.SetIterationTime(times.back());
        if (!target.lines().filter("text:").last().contains(transcript))
            return state.SkipWithError("another text arrived");
        // The clipboard is given back (0.6 s) and the counters saved (1 s) before the next take.
        waitUntil([] { return false; }, 1500);
    }
    XCloseDisplay(display);
    if (times.empty()) return;
    state.counters["first_ms"] = times.front() * 1000;
    std::vector<double> rest(times.begin() + 1, times.end());
    std::sort(rest.begin(), rest.end());
    if (!rest.empty()) state.counters["median_ms"] = rest[rest.size() / 2] * 1000;
    state.counters["load1"] = loadAverage();
}
BENCHMARK(ReleaseToText)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(31);

} // namespace

MIVORA_QT_BENCHMARK_MAIN(QApplication)
