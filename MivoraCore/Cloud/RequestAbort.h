#pragma once

#include "Support/HttpCall.h"

#include <memory>

namespace mivora {

// Lets whoever races an operation abort the network request that the operation has in flight. The
// request layer registers each request it starts; once aborted, every later request is aborted at once.
class RequestAbort {
public:
    void track(const std::shared_ptr<HttpCall>& call) {
        call_ = call;
        if (aborted_) call->abort();
    }
    void abort() {
        aborted_ = true;
        if (const auto call = call_.lock()) call->abort();
    }
    bool aborted() const { return aborted_; }

private:
    std::weak_ptr<HttpCall> call_;
    bool aborted_ = false;
};

} // namespace mivora
