#pragma once

#include <QByteArray>
#include <QProcess>

#include <cstdint>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

// The test microphone of scripts/with-desktop: a PulseAudio pipe source reading s16le 16 kHz mono
// samples from the FIFO named by $MIC_FIFO.
namespace mivora::test::MicFifo {

// Throws away audio a writer left in the FIFO while nothing recorded.
inline void drain() {
    const int fd = ::open(qgetenv("MIC_FIFO").constData(), O_RDONLY | O_NONBLOCK);
    char buffer[65536];
    while (fd >= 0 && ::read(fd, buffer, sizeof buffer) > 0) {
    }
    if (fd >= 0) ::close(fd);
}

// True while a stream records from the pipe source (from then on, written samples reach it).
inline bool recording() {
    QProcess pactl;
    pactl.start("pactl", {"list", "short", "source-outputs"});
    return pactl.waitForFinished(5000) && !pactl.readAllStandardOutput().trimmed().isEmpty();
}

// Writes the samples, giving up after a few seconds without progress; true when all were written.
inline bool feed(const std::vector<std::int16_t>& samples) {
    const int fd = ::open(qgetenv("MIC_FIFO").constData(), O_WRONLY | O_NONBLOCK);
    const char* data = reinterpret_cast<const char*>(samples.data());
    std::size_t left = samples.size() * sizeof(std::int16_t);
    for (pollfd p{fd, POLLOUT, 0}; fd >= 0 && left > 0 && ::poll(&p, 1, 5000) > 0;) {
        const ssize_t n = ::write(fd, data, left);
        if (n <= 0) break;
        data += n;
        left -= std::size_t(n);
    }
    if (fd >= 0) ::close(fd);
    return left == 0;
}

} // namespace mivora::test::MicFifo
