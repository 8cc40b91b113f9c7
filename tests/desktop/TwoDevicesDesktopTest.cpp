// Two devices of one account: the real program twice on one desktop, each in a home of its own with its own
// session bus and keyring (where its tokens and vault key live), both against one loopback account server.
// The first device signs in with a mailed code, shows the recovery code and creates the vault once it is
// confirmed; the second signs in to the same account, takes the typed code and gets the first device's
// memories; an edit made there reaches the first device. Everything is done through the windows over the
// accessibility bus, which both programs share with the test.
#include "LinuxDesktop.h"
#include "Memories/MemoryStore.h"
#include "support/ChildProcess.h"
#include "support/FakeAccountServer.h"
#include "support/PainterWarnings.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>

#include "support/BusElement.h"

#include <atspi/atspi.h>

#include <functional>

using namespace mivora;
using namespace mivora::test;

namespace {

using Element = BusElement;
using Match = std::function<bool(const Element&)>;

// The first showing element under `root` that `match` accepts.
Element find(const Element& root, const Match& match, int depth = 0) {
    if (depth > 40 || !root.has(ATSPI_STATE_SHOWING)) return {};
    if (match(root)) return Element(static_cast<AtspiAccessible*>(g_object_ref(root.node)));
    for (int i = 0; i < root.childCount(); ++i) {
        const Element child = root.child(i);
        if (!child) continue;
        if (Element found = find(child, match, depth + 1)) return found;
    }
    return {};
}

Match named(const QString& name) {
    return [name](const Element& e) { return e.name() == name; };
}
// A text field named `name`, or holding `text` when no name is given.
Match field(const QString& name, const QString& text = {}) {
    return [name, text](const Element& e) {
        return e.editable() && (name.isEmpty() ? e.text() == text : e.name() == name);
    };
}
Match row(const QString& name) {
    return [name](const Element& e) {
        return (e.role() == ATSPI_ROLE_LIST_ITEM || e.role() == ATSPI_ROLE_TABLE_CELL) && e.name() == name;
    };
}

// The recovery code as the first device shows it: 26 characters in groups of 5, 5, 5, 5 and 6.
const QRegularExpression shownCode(QStringLiteral("^([0-9A-Z]{5}-){4}[0-9A-Z]{6}$"));

// The accessibility bus of the test's own session, which the devices' programs are pointed at.
QString accessibilityBus() {
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress"));
    return reply.arguments().value(0).toString();
}

// The desktop's accessibility service on a device's own session bus: it names the one accessibility bus the
// test and both programs share. (Given the address in AT_SPI_BUS_ADDRESS, Qt 6.4 connects but never
// registers the application.) It answers from a thread of its own, whatever the test's main thread waits for.
class AccessibilityService final : public QDBusVirtualObject {
public:
    explicit AccessibilityService(QString address) : address_(std::move(address)) {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() == QLatin1String("GetAddress"))
            return connection.send(message.createReply(address_));
        // org.a11y.Status: accessibility is on.
        if (message.member() == QLatin1String("Get"))
            return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(true))));
        return false;
    }

private:
    QString address_;
};

// One device: a home with its own folders, runtime folder, session bus and unlocked keyring, an Info.json
// naming the account server, and the welcome done; the program is started in it.
class Device {
public:
    Device(const QUrl& server, const QList<Memory>& memories) {
        const auto folder = [&](const QString& name) {
            QDir().mkpath(dir_.filePath(name));
            return dir_.filePath(name);
        };
        environment_ = QProcessEnvironment::systemEnvironment();
        environment_.insert("HOME", folder("home"));
        for (const QString name : {"config", "data", "state", "cache"})
            environment_.insert("XDG_" + name.toUpper() + "_HOME", folder(name));
        const QString runtime = folder("run");
        QFile(runtime).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                      QFileDevice::ExeOwner);
        environment_.insert("XDG_RUNTIME_DIR", runtime);

        write("Info.json", QJsonDocument(QJsonObject{{"YarrikProxyURL", server.toString()},
                                                     {"YarrikProxyToken", "dev"},
                                                     {"CFBundleShortVersionString", "9.9"}})
                               .toJson());
        environment_.insert("MIVORA_INFO_JSON", dir_.filePath("Info.json"));
        write("config/Mivora/Mivora.ini", "[General]\nonboardingDone=true\n");
        if (!memories.isEmpty()) write("data/Mivora/memories.json", MemoryStore::writeMemories(memories));

        // A bus that starts nothing on demand: no second accessibility bus, no portals.
        write("bus.conf", QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                                         "Configuration 1.0//EN\" "
                                         "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">"
                                         "<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                                         "<auth>EXTERNAL</auth><policy context=\"default\">"
                                         "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                         "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>")
                              .arg(runtime)
                              .toUtf8());
        bus_.setProcessEnvironment(environment_);
        bus_.setStandardErrorFile(QProcess::nullDevice());
        bus_.start("dbus-daemon",
                   {"--config-file=" + dir_.filePath("bus.conf"), "--nofork", "--print-address=1"});
    }
    ~Device() {
        // The program first, then the keyring and the accessibility service, then the bus under them.
        const auto end = [](QProcess* p) {
            if (!p || p->state() == QProcess::NotRunning) return;
            p->terminate();
            if (!p->waitForFinished(10000)) {
                p->kill();
                p->waitForFinished(5000);
            }
        };
        end(program_.get());
        end(&keyring_);
        QDBusConnection::disconnectFromBus(connectionName_);
        serviceThread_.quit();
        serviceThread_.wait();
        end(&bus_);
    }

    // Waits for the bus, then starts the keyring on it and waits until it serves secrets.
    bool startServices() {
        if (!waitUntil([&] { return bus_.canReadLine() || bus_.state() == QProcess::NotRunning; },
                       desktopDeadlineMs) ||
            !bus_.canReadLine())
            return false;
        const QString address = QString::fromUtf8(bus_.readLine()).trimmed();
        environment_.insert("DBUS_SESSION_BUS_ADDRESS", address);
        QDBusConnection connection = QDBusConnection::connectToBus(address, connectionName_);
        accessibility_ = std::make_unique<AccessibilityService>(accessibilityBus());
        accessibility_->moveToThread(&serviceThread_);
        serviceThread_.start();
        if (!connection.registerVirtualObject("/org/a11y/bus", accessibility_.get()) ||
            !connection.registerService("org.a11y.Bus"))
            return false;
        keyring_.setProcessEnvironment(environment_);
        keyring_.start("gnome-keyring-daemon", {"--foreground", "--unlock", "--components=secrets"});
        // A newline on stdin creates and unlocks the login keyring.
        keyring_.write("\n");
        keyring_.closeWriteChannel();
        return waitUntil(
            [&] { return connection.interface()->isServiceRegistered("org.freedesktop.secrets").value(); },
            desktopDeadlineMs);
    }
    void start() {
        program_ = std::make_unique<QProcess>();
        program_->setProcessEnvironment(environment_);
        forwardCheckingPainterWarnings(*program_);
        program_->start(MIVORA_APP_PATH, {});
        program_->waitForStarted(desktopDeadlineMs);
    }
    bool running() const { return program_ && program_->state() == QProcess::Running; }

    // A showing element of the program's windows that `match` accepts, or nothing.
    Element shown(const Match& match) const {
        const Element app = busApplication(program_->processId());
        for (int w = 0; app && w < app.childCount(); ++w)
            if (Element found = find(app.child(w), match)) return found;
        return {};
    }
    // Waits until such an element shows.
    Element await(const Match& match, int timeoutMs = desktopDeadlineMs) const {
        Element found;
        waitUntil([&] { return bool(found = shown(match)); }, timeoutMs);
        return found;
    }
    // Opens a section of the main window through its sidebar row.
    bool open(const QString& section) const {
        const Element sidebarRow = await(row(section));
        return sidebarRow && (sidebarRow.has(ATSPI_STATE_SELECTED) || sidebarRow.press());
    }
    // Presses the enabled button named `name` once it shows.
    bool press(const QString& name) const {
        const Element button = await([&](const Element& e) {
            return e.name() == name && e.has(ATSPI_STATE_ENABLED) && e.role() != ATSPI_ROLE_LABEL;
        });
        return button && button.press();
    }
    // The memories file as the program last wrote it.
    QString memories() const { return read("data/Mivora/memories.json"); }
    QString log() const { return read("state/Mivora/mivora.log"); }

private:
    QString read(const QString& name) const {
        QFile file(dir_.filePath(name));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    void write(const QString& name, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(dir_.filePath(name)).path());
        QFile file(dir_.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }

    QTemporaryDir dir_;
    QProcessEnvironment environment_;
    QProcess bus_;
    QProcess keyring_;
    std::unique_ptr<QProcess> program_;
    const QString connectionName_ = QUuid::createUuid().toString();
    QThread serviceThread_;
    std::unique_ptr<AccessibilityService> accessibility_;
};

// Signs `device` in on its settings page with the code the server mails to `email`.
void signIn(const Device& device, FakeAccountServer& server, const QString& email) {
    ASSERT_TRUE(device.open("设置")) << device.log().toStdString();
    const Element address = device.await(field("邮箱"));
    ASSERT_TRUE(address && address.setText(email));
    ASSERT_TRUE(device.press("发送验证码"));
    ASSERT_TRUE(waitUntil([&] { return !server.codeFor(email).isEmpty(); }, desktopDeadlineMs));
    const Element code = device.await(field("验证码"));
    // Six digits sign in without a press.
    ASSERT_TRUE(code && code.setText(server.codeFor(email)));
    ASSERT_TRUE(device.await(named("退出登录"))) << device.log().toStdString();
}

// The sync row once the last pass went through.
Match syncedRow() {
    return [](const Element& e) { return e.name().startsWith("记忆已和 iPhone 同步"); };
}

} // namespace

using TwoDevicesDesktop = LinuxDesktop;

TEST_F(TwoDevicesDesktop, TheSecondDeviceJoinsWithTheRecoveryCodeGetsTheMemoriesAndItsEditReachesTheFirst) {
    ASSERT_GE(atspi_init(), 0);
    SystemClock serverClock;
    FakeAccountServer server(serverClock);
    const QString email = "two.devices@example.com";

    Device first(server.url(), {Memory{.title = "车牌", .value = "京A12345"}});
    Device second(server.url(), {});
    ASSERT_TRUE(first.startServices());
    ASSERT_TRUE(second.startServices());

    // The first device: signed in, it shows the recovery code; the vault exists once it is confirmed.
    first.start();
    signIn(first, server, email);
    if (HasFatalFailure()) return;
    const Element shownCodeLabel =
        first.await([](const Element& e) { return shownCode.match(e.name()).hasMatch(); });
    ASSERT_TRUE(shownCodeLabel) << first.log().toStdString();
    const QString code = shownCodeLabel.name();
    EXPECT_FALSE(server.vaultVersion(email)) << "no vault before the code is written down";
    ASSERT_TRUE(first.press("我已经存好了，开始同步"));
    ASSERT_TRUE(waitUntil([&] { return server.vaultVersion(email).has_value(); }, desktopDeadlineMs));
    ASSERT_TRUE(first.await(syncedRow())) << first.log().toStdString();

    // The second device: the same account, the code typed in lower case with spaces for the hyphens.
    second.start();
    signIn(second, server, email);
    if (HasFatalFailure()) return;
    const Element typed = second.await(field("恢复码"));
    ASSERT_TRUE(typed) << second.log().toStdString();
    ASSERT_TRUE(typed.setText(code.toLower().replace('-', ' ')));
    ASSERT_TRUE(second.press("确定"));
    ASSERT_TRUE(second.await(syncedRow())) << second.log().toStdString();
    ASSERT_TRUE(second.open("记忆"));
    const Element joined = second.await(row("车牌"));
    ASSERT_TRUE(joined) << "the first device's memory on the second";

    // An edit on the second device goes up with its next pass...
    const qint64 before = server.vaultVersion(email).value_or(0);
    ASSERT_TRUE(joined.press());
    const Element title = second.await(field({}, "车牌"));
    ASSERT_TRUE(title) << "the editor of the memory";
    ASSERT_TRUE(title.setText("车牌号"));
    ASSERT_TRUE(second.press("保存"));
    ASSERT_TRUE(second.await(row("车牌号")));
    ASSERT_TRUE(waitUntil([&] { return server.vaultVersion(email).value_or(0) > before; }, desktopDeadlineMs))
        << second.log().toStdString();

    // ...and reaches the first device with a pass the user asks for there (again while it has not come).
    const auto arrived = [&] { return first.memories().contains("车牌号"); };
    for (int pass = 0; pass < 10 && !arrived(); ++pass) {
        ASSERT_TRUE(first.press("立即同步"));
        waitUntil(arrived, 5000);
    }
    ASSERT_TRUE(arrived()) << first.log().toStdString();
    ASSERT_TRUE(first.open("记忆"));
    EXPECT_TRUE(first.await(row("车牌号"))) << first.log().toStdString();
    EXPECT_FALSE(first.shown(row("车牌")));
    EXPECT_TRUE(first.running());
    EXPECT_TRUE(second.running());
}
