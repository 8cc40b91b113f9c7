#pragma once

#include <QByteArray>
#include <QDir>
#include <QTcpServer>
#include <QTest>
#include <QUrl>

#include <functional>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mivora::test {

// A TCP server on 127.0.0.1 that speaks no HTTP of its own: the test reads and writes each connection's raw
// bytes itself, when it chooses, so it can cut an answer anywhere or pace a transfer byte by byte.
class RawServer final : public QTcpServer {
public:
    // `receiveBuffer` > 0 keeps the connections' receive buffers that small, so a client's upload can only
    // move as fast as the test reads it.
    explicit RawServer(int receiveBuffer = 0) {
        listen(QHostAddress::LocalHost, 0);
        if (receiveBuffer > 0)
            setsockopt(int(socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    ~RawServer() override {
        for (const Connection& c : connections)
            ::close(c.fd);
    }

    QUrl url(const QString& path = "/v1", const QString& scheme = "http") const {
        return QUrl(QStringLiteral("%1://127.0.0.1:%2%3").arg(scheme).arg(serverPort()).arg(path));
    }

    struct Connection {
        int fd = -1;
        QByteArray received;
        qint64 sent = 0;

        // Reads what has arrived, without waiting.
        void drain() {
            char buffer[65536];
            for (;;) {
                const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
                if (n <= 0) return;
                received.append(buffer, n);
            }
        }
        // Whether a whole request (its header block and the body its Content-Length announces) has come.
        bool hasRequest() {
            drain();
            const qsizetype end = received.indexOf("\r\n\r\n");
            if (end < 0) return false;
            qsizetype length = 0;
            for (const QByteArray& line : received.left(end).split('\n'))
                if (line.toLower().startsWith("content-length:"))
                    length = line.mid(15).trimmed().toLongLong();
            return received.size() >= end + 4 + length;
        }
        // Sends what the socket takes without waiting (small pieces: all of it).
        void send(const QByteArray& bytes) {
            for (qsizetype at = 0; at < bytes.size();) {
                const ssize_t n = ::send(fd, bytes.constData() + at, size_t(bytes.size() - at), MSG_NOSIGNAL);
                if (n <= 0) return;
                at += n;
                sent += n;
            }
        }
        void close() { ::shutdown(fd, SHUT_RDWR); }
    };
    std::vector<Connection> connections;

    // Runs the event loop until the next connection comes; null when none came in time.
    Connection* next(const std::function<void()>& meanwhile = {}) {
        const size_t before = connections.size();
        if (!QTest::qWaitFor([&] {
                if (meanwhile) meanwhile();
                return connections.size() > before;
            }))
            return nullptr;
        return &connections[before];
    }
    // Runs the event loop until the next connection has sent a whole request.
    Connection* nextRequest(const std::function<void()>& meanwhile = {}) {
        Connection* c = next(meanwhile);
        if (!c || !QTest::qWaitFor([&] {
                if (meanwhile) meanwhile();
                return c->hasRequest();
            }))
            return nullptr;
        return c;
    }

protected:
    void incomingConnection(qintptr handle) override { connections.push_back({int(handle), {}, 0}); }
};

// The client's end of a server connection, found in this process by its address: what the client's own
// socket says about what it has written and read, and its options.
class ClientEnd {
public:
    explicit ClientEnd(const RawServer::Connection& server) {
        sockaddr_in peer{}, self{};
        socklen_t length = sizeof peer;
        getpeername(server.fd, reinterpret_cast<sockaddr*>(&peer), &length);
        length = sizeof self;
        getsockname(server.fd, reinterpret_cast<sockaddr*>(&self), &length);
        for (const QString& name : QDir("/proc/self/fd").entryList(QDir::Files | QDir::System)) {
            const int fd = name.toInt();
            struct stat st {};
            if (fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode)) continue;
            sockaddr_in mine{}, theirs{};
            length = sizeof mine;
            if (getsockname(fd, reinterpret_cast<sockaddr*>(&mine), &length) != 0 ||
                mine.sin_family != AF_INET)
                continue;
            length = sizeof theirs;
            if (getpeername(fd, reinterpret_cast<sockaddr*>(&theirs), &length) != 0) continue;
            if (mine.sin_port == peer.sin_port && theirs.sin_port == self.sin_port) fd_ = fd;
        }
    }
    bool found() const { return fd_ >= 0; }

    bool noDelay() const {
        int on = 0;
        socklen_t length = sizeof on;
        return getsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, &length) == 0 && on != 0;
    }
    // Bytes the client has handed to its socket so far (acknowledged by the peer or still queued).
    qint64 written() const {
        int queued = 0;
        ioctl(fd_, TIOCOUTQ, &queued);
        return qint64(info().bytesAcked) + queued;
    }
    // Bytes the client has taken out of its socket so far.
    qint64 read() const {
        int waiting = 0;
        ioctl(fd_, FIONREAD, &waiting);
        return qint64(info().bytesReceived) - waiting;
    }

private:
    // The kernel's TCP_INFO goes on past the C library's copy of it, with the byte counters.
    struct Counters {
        tcp_info base;
        quint64 pacingRate, maxPacingRate, bytesAcked, bytesReceived;
    };
    static_assert(sizeof(tcp_info) % 8 == 0);
    Counters info() const {
        Counters i{};
        socklen_t length = sizeof i;
        getsockopt(fd_, IPPROTO_TCP, TCP_INFO, &i, &length);
        return i;
    }
    int fd_ = -1;
};

} // namespace mivora::test
