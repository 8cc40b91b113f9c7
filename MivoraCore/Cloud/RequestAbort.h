#pragma once

#include <QNetworkReply>
#include <QPointer>

namespace mivora {

// Lets whoever races an operation abort the network request that the operation has in flight. The
// request layer registers each request it starts; once aborted, every later request is aborted at once.
class RequestAbort {
public:
    void track(QNetworkReply* reply) {
        reply_ = reply;
        if (aborted_ && reply_ && reply_->isRunning()) reply_->abort();
    }
    void abort() {
        aborted_ = true;
        if (reply_ && reply_->isRunning()) reply_->abort();
    }
    bool aborted() const { return aborted_; }

private:
    QPointer<QNetworkReply> reply_;
    bool aborted_ = false;
};

} // namespace mivora
