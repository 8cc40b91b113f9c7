#pragma once

#include "Support/Scheduler.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>
#include <memory>

class QLocalServer;

namespace mivora {

class FileLock;

// One running program per user. Which start is the one is decided by a lock on a file beside the socket,
// held for the whole run (the kernel lets go of it when the process ends, however it ends); the holder
// listens on a local socket beside it. Both live in the program's private data folder, which every start of
// the user finds whatever its environment (a start from `su -` or cron has no runtime folder, or another
// one). A later start asks the holder to show its main window (the "reopen" request), or hands it the URL the
// browser opened the program with (a sign-in callback), and ends.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // How a request handed to the running program ended.
    enum class Delivery {
        taken,      // the running program answered that it took it
        notRunning, // no program holds the lock
        noAnswer,   // one holds the lock but did not answer within the patience given
        unknown,    // the lock's file cannot be opened (see `lockProblem`) and no program answered
    };

    // `path` is the socket's file; `defaultPath()` in the program. A request waits up to `patience` for the
    // running program, which may be busy or stopped for a while.
    explicit SingleInstance(QString path, std::chrono::milliseconds patience = std::chrono::minutes(2),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    static QString defaultPath();
    // The lock's file for the socket at `socketPath`.
    static QString lockPath(const QString& socketPath);

    // Takes the lock unless another process holds it; true when this process holds it (then until it ends).
    // False too when the lock's file cannot be opened: `lockProblem` then says why.
    bool claim();
    // Why the lock's file could not be made or opened at the last look, in Chinese; empty when it could.
    const QString& lockProblem() const { return lockProblem_; }
    // Hands the reopen request to the program holding the lock, trying again (pausing on `scheduler`) until
    // it answers. When the lock is found free (the one that held it ended), this process claims it and the
    // answer is `notRunning`: it is then the one to run.
    QCoro::Task<Delivery> askRunningToReopen(Scheduler& scheduler);
    // Hands `url` over the same way; never claims the lock. `notRunning` also for a URL that is not valid.
    // Where the lock cannot be looked at, each asks once whoever listens on the socket: `unknown` when
    // nobody answers.
    QCoro::Task<Delivery> askRunningToOpen(QUrl url, Scheduler& scheduler);
    // Becomes the running program: claims the lock, then listens; a socket file left by one that died is
    // replaced. False when another process holds the lock or the folder takes no socket. Where the lock's
    // file cannot be opened it listens all the same, so that later starts with the same trouble find it.
    bool listen();

signals:
    void reopenRequested();
    void urlReceived(const QUrl& url);

private:
    enum class Holder { none, other, unknown };
    // Who holds the lock; with `keep`, a free lock is kept by this process (then `none`).
    Holder holder(bool keep);
    // Sends one request line until the running program answers with the same line.
    QCoro::Task<Delivery> ask(QByteArray line, bool claimWhenFree, Scheduler& scheduler);

    QString path_;
    std::chrono::milliseconds patience_;
    std::unique_ptr<FileLock> lock_; // while this process holds the lock
    QString lockProblem_;
    QLocalServer* server_ = nullptr;
};

} // namespace mivora
