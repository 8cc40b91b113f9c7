#pragma once

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>

class QLocalServer;

namespace mivora {

// One running program per user: the first one listens on a local socket in the user's runtime folder;
// a later one asks it to show its main window (the "reopen" request) and ends.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // `path` is the socket's file; `defaultPath()` in the program.
    explicit SingleInstance(QString path, QObject* parent = nullptr);
    ~SingleInstance() override;

    static QString defaultPath();

    // True when a running program took the request.
    QCoro::Task<bool> askRunningToReopen();
    // Becomes the running program; a socket file left by one that died is replaced. False when the
    // runtime folder takes no socket.
    bool listen();

signals:
    void reopenRequested();

private:
    QString path_;
    QLocalServer* server_ = nullptr;
};

} // namespace mivora
