#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace mivora {

// Turns SIGTERM, SIGINT and SIGHUP into an orderly quit of the event loop, so a system shutdown or a
// Ctrl+C ends the program the way the quit row does (will-terminate line, then the exit line). The
// handler only writes a byte to a pipe; the quit happens on the main thread.
class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // What one of these signals does instead, given its number (on the main thread); unset: the event loop
    // ends with status 0, the status of an orderly quit.
    std::function<void(int signal)> onSignal;

private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace mivora
