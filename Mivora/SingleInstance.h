#pragma once

#include "Support/Scheduler.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <memory>
#include <vector>

class QLocalServer;

namespace mivora {

class FileLock;

// One running program per user. Which start is the one is decided by locks on files, held for the whole
// run (the kernel lets go of them when the process ends, however it ends); the holder listens on a local
// socket. The first lock lies in the program's private data folder, which every start of the user finds
// whatever its environment (a start from `su -` or cron has no runtime folder, or another one); the second
// lock and the socket lie in a folder of the user's own under the system's temporary folder, named after the
// user and, within it, after the data folder: a path that stays short however long the home's is, where no
// other user may enter. A start holds every one of the locks it can open, so starts that can open different
// ones still meet on one of them. A later start asks the holder to show its main window (the "reopen"
// request), or hands it the URL the browser opened the program with (a sign-in callback), and ends.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // How a request handed to the running program ended.
    enum class Delivery {
        taken,      // the running program answered that it took it
        notRunning, // no program holds the locks
        noAnswer,   // one holds them but did not answer within the patience given
        unknown,    // no lock file can be opened (see `lockProblem`) and no program answered
    };

    // Where the locks and the socket lie.
    struct Places {
        QString socket;    // the socket's file
        QStringList locks; // the lock files, in the order they are taken
        QString problem;   // why a place the program looks for could not be had, in Chinese; empty if none
    };

    // `places` is `defaultPlaces()` in the program. A request waits up to `patience` for the running
    // program, which may be busy or stopped for a while.
    explicit SingleInstance(Places places, std::chrono::milliseconds patience = std::chrono::minutes(2),
                            QObject* parent = nullptr);
    // The socket at `socketPath` with one lock beside it (`lockPath`).
    explicit SingleInstance(const QString& socketPath,
                            std::chrono::milliseconds patience = std::chrono::minutes(2),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // The places for the data folder `dataFolder`: its lock there, and a lock and the socket in the folder
    // "mivora-<user id>" under `temp`, made 0700 when missing and used only when it is the user's own, not a
    // link and closed to everyone else. Without that folder the socket lies in the data folder.
    static Places placesFor(const QString& dataFolder, const QString& temp);
    // The program's: for its data folder, under the system's temporary folder (never $TMPDIR, which differs
    // between a user's sessions).
    static Places defaultPlaces();
    // The lock's file for the socket at `socketPath`.
    static QString lockPath(const QString& socketPath);

    // Takes every lock it can open unless another process holds one; true when this process holds them
    // (then until it ends). False too when no lock's file can be opened: `lockProblem` then says why.
    bool claim();
    // Why a lock's file, or a place for one, could not be had at the last look, in Chinese; empty when each
    // could. Not empty either while this process holds the locks it could open.
    const QString& lockProblem() const { return lockProblem_; }
    // Why `listen` failed, in Chinese.
    const QString& listenProblem() const { return listenProblem_; }
    // Hands the reopen request to the program holding the locks, trying again (pausing on `scheduler`) until
    // it answers. When the locks are found free (the one that held them ended), this process claims them and
    // the answer is `notRunning`: it is then the one to run.
    QCoro::Task<Delivery> askRunningToReopen(Scheduler& scheduler);
    // Hands `url` over the same way; never claims the locks. `notRunning` also for a URL that is not valid.
    // Where no lock can be looked at, each asks once whoever listens on the socket: `unknown` when nobody
    // answers.
    QCoro::Task<Delivery> askRunningToOpen(QUrl url, Scheduler& scheduler);
    // Becomes the running program: claims the locks, then listens; a socket file left by one that died is
    // replaced. False when another process holds a lock, none can be opened, or the folder takes no socket.
    bool listen();

signals:
    void reopenRequested();
    void urlReceived(const QUrl& url);

private:
    enum class Holder { none, other, unknown };
    // Who holds the locks; with `keep`, the free ones are kept by this process (then `none`).
    Holder holder(bool keep);
    // Sends one request line until the running program answers with the same line.
    QCoro::Task<Delivery> ask(QByteArray line, bool claimWhenFree, Scheduler& scheduler);

    Places places_;
    std::chrono::milliseconds patience_;
    std::vector<std::unique_ptr<FileLock>> locks_; // while this process holds them
    QString lockProblem_;
    QString listenProblem_;
    QLocalServer* server_ = nullptr;
};

} // namespace mivora
