#include "Support/QuietMessages.h"

#include <atomic>
#include <mutex>

namespace mivora {

namespace {

// Qt calls a plain function for every message, so what it consults lives here: the handler that was there
// before the first scope, how many scopes stand in front of it, and each thread's innermost scope.
std::mutex installing;
int scopes = 0;
std::atomic<QtMessageHandler> passOn{nullptr};
thread_local QuietMessages* innermost = nullptr;

} // namespace

QuietMessages::QuietMessages(QStringList texts) : texts_(std::move(texts)), outer_(innermost) {
    innermost = this;
    const std::lock_guard lock(installing);
    if (scopes++ == 0) passOn = qInstallMessageHandler(screen);
}

QuietMessages::~QuietMessages() {
    innermost = outer_;
    const std::lock_guard lock(installing);
    if (--scopes == 0) qInstallMessageHandler(passOn.load());
}

bool QuietMessages::quiets(const QString& message) const {
    for (const QString& text : texts_)
        if (message.contains(text)) return true;
    return outer_ && outer_->quiets(message);
}

void QuietMessages::screen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (innermost && innermost->quiets(message)) return;
    if (const QtMessageHandler next = passOn.load()) next(type, context, message);
}

} // namespace mivora
