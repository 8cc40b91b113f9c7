#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace mivora::test {

// A loopback server on 127.0.0.1 that reads each request whole and then closes the connection without a
// word: the reply lost on its way back. HEAD requests alone get an empty answer on a connection kept open,
// so the client has a kept-alive connection to the same server at hand. Every request is logged as its
// method and path.
class ClosingServer final : public QTcpServer {
public:
    ClosingServer() { listen(QHostAddress::LocalHost, 0); }

    QUrl url(const QString& path = "/v1") const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path));
    }
    QList<QByteArray> log; // "POST /v1/auth/refresh"
    int count(const QByteArray& line) const { return int(log.count(line)); }

protected:
    void incomingConnection(qintptr handle) override {
        auto* socket = new QTcpSocket(this);
        socket->setSocketDescriptor(handle);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { read(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

private:
    void read(QTcpSocket* socket) {
        QByteArray& pending = pending_[socket];
        pending += socket->readAll();
        for (;;) {
            const qsizetype end = pending.indexOf("\r\n\r\n");
            if (end < 0) return;
            const QByteArray head = pending.left(end);
            qsizetype length = 0;
            for (const QByteArray& line : head.split('\n'))
                if (line.toLower().startsWith("content-length:"))
                    length = line.mid(15).trimmed().toLongLong();
            if (pending.size() < end + 4 + length) return;
            pending.remove(0, end + 4 + length);
            const QList<QByteArray> words = head.left(head.indexOf("\r\n")).split(' ');
            log.append(words.value(0) + ' ' + words.value(1));
            if (words.value(0) == "HEAD") {
                socket->write("HTTP/1.1 204 No Content\r\n\r\n");
                continue;
            }
            pending_.remove(socket);
            socket->disconnectFromHost();
            return;
        }
    }

    QHash<QTcpSocket*, QByteArray> pending_;
};

} // namespace mivora::test
