#pragma once

#include "support/ChildProcess.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace mivora::test {

// The other pinyin input method a user of Chinese may have: ibus with its libpinyin engine, on the session's
// desktop (no panel, settings in memory only), stopped by its process id at the end. Programs started with
// `environment()` type through it once `usePinyin` has switched it to pinyin.
class Ibus {
public:
    Ibus() {
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start("ibus-daemon", {"--panel=disable", "--emoji-extension=disable",
                                       "--config=/usr/libexec/ibus-memconf"});
    }
    ~Ibus() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        if (!process_.waitForFinished(5000)) process_.kill();
        process_.waitForFinished(5000);
    }
    Ibus(const Ibus&) = delete;

    // Waits until it serves its clients and knows the pinyin engine.
    bool ready() {
        return waitUntil(
            [&] {
                return process_.state() == QProcess::Running && tool({"list-engine"}).contains("libpinyin");
            },
            desktopDeadlineMs);
    }
    // Switches to pinyin (for the field that has the focus, and every one after it).
    bool usePinyin() {
        return waitUntil(
            [&] {
                tool({"engine", "libpinyin"});
                return tool({"engine"}) == "libpinyin";
            },
            desktopDeadlineMs);
    }
    // What it said so far (for a failure's message).
    QString output() { return QString::fromUtf8(output_ += process_.readAll()); }

    // The environment of a GTK program whose fields type through the input method.
    static QProcessEnvironment environment() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("GTK_IM_MODULE", "ibus");
        env.insert("XMODIFIERS", "@im=ibus");
        return env;
    }

private:
    static QString tool(const QStringList& args) {
        QProcess p;
        p.start("ibus", args);
        if (!p.waitForFinished(5000)) return {};
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    QProcess process_;
    QByteArray output_;
};

} // namespace mivora::test
