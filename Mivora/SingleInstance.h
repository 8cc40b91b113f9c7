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
// ones still meet on one of them. Where the socket cannot be made there (the folder is another user's, the
// disk is full or read-only) the holder listens in the data folder, else under a name of no file at all; a
// later start looks in each of those places, whatever it finds at its own start, and talks only to a
// program of the same user's. It asks the holder to show its main window (the "reopen" request), or hands
// it the URL the browser opened the program with (a sign-in callback), and ends.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // How a request handed to the running program ended.
    enum class Delivery {
        taken,      // the running program answered that it took it
        notRunning, // no program holds the locks
        noAnswer,   // one holds them but did not answer within the patience given
        nowhere,    // one holds them but listens in none of the places, a few seconds after the first look
        unknown,    // no lock file can be opened (see `lockProblem`) and no program answered
    };

    // Where the locks and the socket lie.
    struct Places {
        QString socket;    // where the holder listens: the socket's file
        QStringList locks; // the lock files, in the order they are taken
        QString problem;   // why a place the program looks for could not be had, in Chinese; empty if none
        // Where the holder listens when it cannot at `socket`, in order: socket files, or "@" and a name in
        // the abstract namespace (no file, so neither a full disk nor a long path is in its way).
        QStringList fallbacks = {};
        QStringList done = {}; // what was done to keep the places the user's alone, in Chinese, for the log
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
    // link and closed to everyone else; what another user left at those names in it is removed. Then the
    // socket's place in the data folder, and a name of the user's and the data folder's in the abstract
    // namespace.
    static Places placesFor(const QString& dataFolder, const QString& temp);
    // The program's: for its data folder, under the system's temporary folder (see
    // SingleInstancePlaces::temp).
    static Places defaultPlaces();
    // The lock's file for the socket at `socketPath`.
    static QString lockPath(const QString& socketPath);

    // Takes every lock it can open unless another process holds one; true when this process holds them
    // (then until it ends). False too when no lock's file can be opened: `lockProblem` then says why.
    bool claim();
    // Why a lock's file, or a place for one, could not be had at the last look, in Chinese; empty when each
    // could. Not empty either while this process holds the locks it could open.
    const QString& lockProblem() const { return lockProblem_; }
    // Why `listen` failed, or why it could not listen in the places before the one it listens in, in Chinese.
    const QString& listenProblem() const { return listenProblem_; }
    // Where this process listens (one of the places), or empty.
    const QString& listeningAt() const { return listeningAt_; }
    // What was done to keep the places the user's alone, and every listener of another user's found in them,
    // in Chinese: each a line for the log.
    QStringList notes() const { return places_.done + strangers_; }
    // Hands the reopen request to the program holding the locks, in whichever of the places it listens,
    // trying again (pausing on `scheduler`) until it answers; `nowhere` when none of the places is listened
    // on for a few seconds. When the locks are found free (the one that held them ended), this process claims
    // them and the answer is `notRunning`: it is then the one to run.
    QCoro::Task<Delivery> askRunningToReopen(Scheduler& scheduler);
    // Hands `url` over the same way; never claims the locks. `notRunning` also for a URL that is not valid.
    // Where no lock can be looked at, each asks once whoever listens on the socket: `unknown` when nobody
    // answers.
    QCoro::Task<Delivery> askRunningToOpen(QUrl url, Scheduler& scheduler);
    // Becomes the running program: claims the locks, then listens in the first of the places that takes a
    // socket; a socket file left by one that died is replaced. False when another process holds a lock, none
    // can be opened, or no place takes a socket. Only a process of the same user's is answered.
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
    // `socket`, then the fallbacks.
    QStringList sockets() const { return QStringList{places_.socket} + places_.fallbacks; }

    Places places_;
    std::chrono::milliseconds patience_;
    std::vector<std::unique_ptr<FileLock>> locks_; // while this process holds them
    QString lockProblem_;
    QString listenProblem_;
    QString listeningAt_;
    QStringList strangers_;
    QLocalServer* server_ = nullptr;
};

} // namespace mivora
