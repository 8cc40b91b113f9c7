#pragma once

#include "Memories/MemoryStore.h"
#include "support/ChildProcess.h"
#include "support/PainterWarnings.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace mivora::test {

// The program with its own Info.json (a relay on the loopback server), its own log and data folders.
class RelayProgram {
public:
    // Every program started fails the running test on a painter warning on its standard error.
    ~RelayProgram() {
        for (std::size_t i = 0; i < processes_.size(); ++i)
            (i == 0 ? firstWarnings_ : otherWarnings_).scan(processes_[i]->readAllStandardError());
    }
    RelayProgram(const QTemporaryDir& dir, const QUrl& relay) : dir_(dir) {
        QFile info(dir.filePath("Info.json"));
        info.open(QIODevice::WriteOnly);
        info.write(QJsonDocument(QJsonObject{{"YarrikProxyURL", relay.toString()},
                                             {"YarrikProxyToken", "dev"},
                                             {"CFBundleShortVersionString", "9.9"}})
                       .toJson());
        environment_ = QProcess::systemEnvironment();
        // A Wayland display beside the X11 one, and Qt asked to use it: the program runs on X11 all the same.
        environment_.removeIf([](const QString& v) { return v.startsWith("QT_QPA_PLATFORM="); });
        environment_ << "MIVORA_INFO_JSON=" + info.fileName() << "XDG_STATE_HOME=" + dir.filePath("state")
                     << "XDG_DATA_HOME=" + dir.filePath("data") << "WAYLAND_DISPLAY=wayland-mivora-test"
                     << "QT_QPA_PLATFORM=wayland";
    }
    // The memories the program finds when it starts.
    void holdMemories(const QList<Memory>& memories) {
        QDir().mkpath(dir_.filePath("data/Mivora"));
        QFile file(dir_.filePath("data/Mivora/memories.json"));
        file.open(QIODevice::WriteOnly);
        file.write(MemoryStore::writeMemories(memories));
    }
    // Settings of its own in which the welcome is done, so the window opens on its pages.
    void finishWelcome(const QByteArray& more = {}) {
        QDir().mkpath(dir_.filePath("config/Mivora"));
        QFile file(dir_.filePath("config/Mivora/Mivora.ini"));
        file.open(QIODevice::WriteOnly);
        file.write("[General]\nonboardingDone=true\n" + more);
        environment_ << "XDG_CONFIG_HOME=" + dir_.filePath("config");
    }
    QProcess* start() {
        auto* process = new QProcess;
        process->setEnvironment(environment_);
        process->start(MIVORA_APP_PATH, {});
        processes_.emplace_back(process);
        return process;
    }
    // The environment every start gets (the browser's start for a sign-in gets the same: it is the user's).
    const QStringList& environment() const { return environment_; }
    // What the first program started said on stderr so far.
    QStringList told() {
        const QByteArray chunk = processes_.front()->readAllStandardError();
        firstWarnings_.scan(chunk);
        told_ += QString::fromUtf8(chunk);
        return told_.split('\n');
    }
    // Waits until the first program has said what stands before a first take.
    bool toldWhatIsLeft() {
        return waitUntil(
            [&] { return told().filter(QRegularExpression("^(第一次听写之前还差|可以听写了)")).size() > 0; },
            desktopDeadlineMs);
    }
    QStringList log() const {
        QFile file(dir_.filePath("state/Mivora/mivora.log"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n') : QStringList();
    }
    bool logged(const QString& text) const { return log().filter(text).size() > 0; }
    // Waits until the program watches the keys; its log says why when it never does.
    ::testing::AssertionResult watchesKeys() const {
        if (waitUntil([&] { return logged("按键监听已开启"); }, desktopDeadlineMs))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << log().join('\n').toStdString();
    }

private:
    const QTemporaryDir& dir_;
    QStringList environment_;
    QString told_;
    PainterWarnings firstWarnings_, otherWarnings_;
    std::vector<std::unique_ptr<QProcess>> processes_;
};

} // namespace mivora::test
