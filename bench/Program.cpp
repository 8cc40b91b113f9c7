// The real program on the desktop of scripts/with-desktop (run the benchmark inside it): cold start to a
// running event loop, resident memory after the start, timer wake-ups while idle with the main window
// closed, and the time from the hotkey's release to the text appearing in another application with a
// recognition server that answers at once.
#include "Platform/Linux/LinuxPlatform.h"
#include "QtBenchmarkMain.h"
#include "Support/Clock.h"
#include "Support/Scheduler.h"

#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/MemoryDefaults.h"
#include "support/StoredSignIn.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
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

// The program in a scratch state folder with a relay on the loopback server.
struct Program {
    FakeOpenAI server;
    QTemporaryDir dir;
    QProcess process;

    Program() {
        server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("明天上午十点开会"));
        QFile info(dir.filePath("Info.json"));
        info.open(QIODevice::WriteOnly);
        info.write(QJsonDocument(QJsonObject{{"YarrikProxyURL", server.url("/").toString()},
                                             {"YarrikProxyToken", "dev"}})
                       .toJson());
        info.close();
        process.setEnvironment(QProcess::systemEnvironment() << "MIVORA_INFO_JSON=" + info.fileName()
                                                             << "XDG_STATE_HOME=" + dir.filePath("state"));
    }
    ~Program() {
        ::kill(pid_t(process.processId()), SIGTERM);
        waitUntil([&] { return process.state() == QProcess::NotRunning; }, 10000);
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
    std::vector<double> times;
    for (auto _ : state) {
        const auto texts = [&] { return target.lines().filter("text:").size(); };
        const qsizetype before = texts();
        holdHotkeyAndSpeak();
        QElapsedTimer released;
        released.start();
        waitUntil([&] { return texts() > before; }, 15000);
        times.push_back(double(released.nsecsElapsed()) / 1e9);
        state.SetIterationTime(times.back());
        waitUntil([] { return false; }, 700); // the clipboard is given back before the next take
    }
    std::sort(times.begin(), times.end());
    state.counters["median_ms"] = times.empty() ? 0 : times[times.size() / 2] * 1000;
}
BENCHMARK(ReleaseToText)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

MIVORA_QT_BENCHMARK_MAIN(QApplication)
