// The real program read the way a screen reader reads it: every element of its windows walked over the
// accessibility bus, again and again, while a signed-in start changes them (the restored account, the
// first sync pass, the account block's steps) and the user opens the memories and the settings.
#include "Account/Vault.h"
#include "LinuxDesktop.h"
#include "support/BusElement.h"
#include "support/ChildProcess.h"
#include "support/FakeAccountServer.h"
#include "support/JoinedDevice.h"
#include "support/RelayProgram.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>

using namespace mivora;
using namespace mivora::test;

namespace {

// Walks every element under `e`, as a reader building its view does: names, states and children, and one
// child past the end.
int walk(const BusElement& e, int depth = 0) {
    if (!e || depth > 40) return 0;
    int count = 1;
    e.name();
    e.has(ATSPI_STATE_SHOWING);
    const int children = e.childCount();
    for (int i = 0; i < children; ++i)
        count += walk(e.child(i), depth + 1);
    // A reader that counted just before a scroll bar hid asks for a child that is gone; any index past the
    // end is an ordinary question.
    if (children > 0) {
        e.child(children);
        e.child(children + (1 << 29));
    }
    return count;
}

int walkProgram(qint64 pid) {
    return walk(busApplication(pid));
}

// Listening to the program's events, as a screen reader does, makes it send them; each is read at once.
void heard(AtspiEvent* event, void*) {
    const BusElement source(event->source ? static_cast<AtspiAccessible*>(g_object_ref(event->source))
                                          : nullptr);
    if (source) {
        source.name();
        source.childCount();
    }
    g_boxed_free(ATSPI_TYPE_EVENT, event);
}
constexpr const char* heardEvents[] = {"object:", "window:", "focus:"};

} // namespace

using AssistiveReaderDesktop = LinuxDesktop;

// Signed-in starts walked from the first moment until the sync pass is through and both pages were read:
// the program never dies under its reader. The starts' count can be raised by MIVORA_READER_STARTS.
TEST_F(AssistiveReaderDesktop, SignedInStartsWalkedByAReaderNeverCrash) {
    ASSERT_GE(atspi_init(), 0);
    // Elements the program has dropped never answer: a reader that waits the library's 0.8 s for each of
    // them falls far behind the changes it is meant to meet.
    atspi_set_timeout(250, -1);
    const std::shared_ptr<void> restoreTimeout(nullptr, [](void*) { atspi_set_timeout(800, -1); });
    for (const char* events : heardEvents)
        atspi_event_listener_register_from_callback(heard, nullptr, nullptr, events, nullptr);
    const std::shared_ptr<void> deafen(nullptr, [](void*) {
        for (const char* events : heardEvents)
            atspi_event_listener_deregister_from_callback(heard, nullptr, events, nullptr);
    });
    SystemClock serverClock;
    FakeAccountServer server(serverClock);
    const QString email = "reader@example.com";
    const JoinedDevice device(platform->secrets(), server, email);
    ASSERT_TRUE(device.keySaved);
    const SymmetricKey& key = device.key;
    const QString wrapped = Vault::wrap(key, RecoveryCode::generate());
    const Memory held{.title = "我的地址", .value = "上海市徐汇区"};
    Vault::Payload remote{.items = {held}};
    // One start in the suite; MIVORA_READER_STARTS=50 for the long run.
    const int starts = std::max(1, qEnvironmentVariableIntValue("MIVORA_READER_STARTS"));
    for (int start = 0; start < starts; ++start) {
        SCOPED_TRACE("start " + std::to_string(start));
        QTemporaryDir dir;
        RelayProgram program(dir, server.url());
        program.holdMemories({held});
        // Another device added a memory since: the first pass brings it into the list being read.
        remote.items.append(Memory{.title = QStringLiteral("车牌 %1").arg(start), .value = "京A12345"});
        server.putVault(email, Vault::encrypt(remote, key), wrapped);
        program.finishWelcome();
        QProcess* process = program.start();
        ASSERT_TRUE(process->waitForStarted(desktopDeadlineMs));
        const qint64 pid = process->processId();
        const auto alive = [&] { return process->state() == QProcess::Running; };
        // The first pass has written the other device's memory (the list's rows changed under the reader).
        const auto synced = [&, arriving = remote.items.last().title] {
            QFile file(dir.filePath("data/Mivora/memories.json"));
            return file.open(QIODevice::ReadOnly) && QString::fromUtf8(file.readAll()).contains(arriving);
        };

        // Read while the window comes up and the first pass runs: open the memories, read them until the
        // other device's memory came, then open the settings.
        bool memories = false, settings = false;
        QElapsedTimer reading;
        reading.start();
        while (alive() && !settings && reading.elapsed() < 3 * desktopDeadlineMs) {
            walkProgram(pid);
            const QString section = memories ? "设置" : "记忆";
            if (const BusElement row = shown(pid, section); row && row.press())
                (memories ? settings : memories) =
                    waitUntil(
                        [&] {
                            walkProgram(pid);
                            return !alive() || (memories ? bool(shown(pid, "退出登录")) : synced());
                        },
                        desktopDeadlineMs) &&
                    alive();
        }
        for (int more = 0; more < 3 && alive(); ++more)
            walkProgram(pid);
        ASSERT_TRUE(alive()) << "exit " << process->exitCode() << " (" << process->exitStatus() << ")\n"
                             << program.log().join('\n').toStdString() << "\n"
                             << program.told().join('\n').toStdString();
        EXPECT_TRUE(memories) << "the first pass never wrote the other device's memory\n"
                              << program.log().join('\n').toStdString();
        EXPECT_TRUE(settings) << "the settings never showed the signed-in account";
        ::kill(pid_t(pid), SIGTERM);
        ASSERT_TRUE(waitUntil([&] { return !alive(); }, desktopDeadlineMs));
    }
}
