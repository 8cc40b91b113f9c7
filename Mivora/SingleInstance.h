#pragma once

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>
#include <QUrl>

class QLocalServer;

namespace mivora {

// One running program per user: the first one listens on a local socket in the user's runtime folder; a
// later one asks it to show its main window (the "reopen" request), or hands it the URL the browser opened
// the program with (a sign-in callback), and ends.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // `path` is the socket's file; `defaultPath()` in the program.
    explicit SingleInstance(QString path, QObject* parent = nullptr);
    ~SingleInstance() override;

    static QString defaultPath();

    // True when a running program took the request.
    QCoro::Task<bool> askRunningToReopen();
    QCoro::Task<bool> askRunningToOpen(QUrl url);
    // Becomes the running program; a socket file left by one that died is replaced. False when the
    // runtime folder takes no socket.
    bool listen();

signals:
    void reopenRequested();
    void urlReceived(const QUrl& url);

private:
    // Sends one request line; true when the running program answered with the same line.
    QCoro::Task<bool> ask(QByteArray line);

    QString path_;
    QLocalServer* server_ = nullptr;
};

} // namespace mivora
