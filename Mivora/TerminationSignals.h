#pragma once

#include <QObject>

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

private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace mivora
