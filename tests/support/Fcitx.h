#pragma once

#include "support/ChildProcess.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace mivora::test {

// A pinyin input method on the session's desktop, as a user of Chinese has one: fcitx5 with a throwaway
// configuration (US keyboard and pinyin, pinyin on in every field, no cloud pinyin: no network), stopped
// by its process id at the end. Programs started with `environment()` type through it.
class Fcitx {
public:
    Fcitx() {
        const QString config = config_.filePath("fcitx5");
        QDir().mkpath(config + "/conf");
        write(config + "/profile", "[Groups/0]\nName=Default\nDefault Layout=us\nDefaultIM=pinyin\n\n"
                                   "[Groups/0/Items/0]\nName=keyboard-us\nLayout=\n\n"
                                   "[Groups/0/Items/1]\nName=pinyin\nLayout=\n\n"
                                   "[GroupOrder]\n0=Default\n");
        write(config + "/config", "[Behavior]\nActiveByDefault=True\nShareInputState=No\n");
        write(config + "/conf/pinyin.conf", "CloudPinyinEnabled=False\n");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config_.path());
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start("fcitx5", {"--disable=cloudpinyin,notificationitem,kimpanel,xim,wayland,waylandim"});
    }
    ~Fcitx() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        if (!process_.waitForFinished(5000)) process_.kill();
        process_.waitForFinished(5000);
    }
    Fcitx(const Fcitx&) = delete;

    // Waits until the input method serves its clients on the session bus.
    bool ready() {
        return waitUntil(
            [&] {
                return process_.state() == QProcess::Running &&
                       QDBusConnection::sessionBus().interface()->isServiceRegistered("org.fcitx.Fcitx5");
            },
            desktopDeadlineMs);
    }
    // What it said so far (for a failure's message).
    QString output() { return QString::fromUtf8(output_ += process_.readAll()); }

    // The environment of a GTK or Qt program whose fields type through the input method.
    static QProcessEnvironment environment() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("GTK_IM_MODULE", "fcitx");
        env.insert("QT_IM_MODULE", "fcitx");
        env.insert("XMODIFIERS", "@im=fcitx");
        env.insert("QT_QPA_PLATFORM", "xcb"); // the tests themselves may run offscreen
        return env;
    }

private:
    static void write(const QString& path, const QByteArray& text) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly)) file.write(text);
    }

    QTemporaryDir config_;
    QProcess process_;
    QByteArray output_;
};

} // namespace mivora::test
