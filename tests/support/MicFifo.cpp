#include "support/MicFifo.h"

#include <QByteArray>
#include <QProcess>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace mivora::test::MicFifo {

namespace {
QByteArray path() {
    return qgetenv("MIC_FIFO");
}
} // namespace

bool available() {
    return !path().isEmpty();
}

void drain() {
    const int fd = ::open(path().constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return;
    char buffer[65536];
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
    ::close(fd);
}

bool recording() {
    QProcess pactl;
    pactl.start("pactl", {"list", "short", "source-outputs"});
    return pactl.waitForFinished(5000) && !pactl.readAllStandardOutput().trimmed().isEmpty();
}

bool feed(const std::vector<std::int16_t>& samples) {
    const int fd = ::open(path().constData(), O_WRONLY | O_NONBLOCK);
    if (fd < 0) return false;
    const char* data = reinterpret_cast<const char*>(samples.data());
    std::size_t left = samples.size() * sizeof(std::int16_t);
    while (left > 0) {
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, 5000) <= 0) break;
        const ssize_t n = ::write(fd, data, left);
        if (n <= 0) break;
        data += n;
        left -= std::size_t(n);
    }
    ::close(fd);
    return left == 0;
}

} // namespace mivora::test::MicFifo
