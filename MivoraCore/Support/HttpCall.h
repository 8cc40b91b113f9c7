#pragma once

#include "Support/HttpRequest.h"
#include "Support/NetworkError.h"
#include "Support/Scheduler.h"

#include <coroutine>
#include <memory>
#include <optional>

namespace mivora {

class HttpClient;

// One request in flight on an HttpClient, awaited with `co_await *call`: the answer (any status), or
// NetworkError when no complete answer came. Dropping the last reference to a running call cancels it.
class HttpCall {
public:
    ~HttpCall();
    HttpCall(const HttpCall&) = delete;
    HttpCall& operator=(const HttpCall&) = delete;

    bool isRunning() const { return client_ != nullptr; }
    bool isDone() const { return done_; }
    // Ends a running call with a cancellation at once; an awaiting coroutine resumes before this returns.
    void abort();

    struct Awaiter {
        HttpCall* call;
        bool await_ready() const noexcept { return call->done_; }
        void await_suspend(std::coroutine_handle<> h) const noexcept { call->waiter_ = h; }
        HttpResponse await_resume() const {
            if (call->error_) throw *call->error_;
            return call->response_;
        }
    };
    Awaiter operator co_await() { return Awaiter{this}; }

private:
    friend class HttpClient;
    HttpCall() = default;

    HttpClient* client_ = nullptr; // set while running
    void* easy_ = nullptr;
    void* headerList_ = nullptr;
    QByteArray requestBody_;
    HttpResponse response_;
    std::optional<NetworkError> error_;
    bool done_ = false;
    bool detached_ = false; // started by `fire`: the client keeps it until it ends
    std::coroutine_handle<> waiter_;
    Scheduler::TimerId idle_ = 0; // gives up when nothing has moved for idleSeconds_
    double idleSeconds_ = 0;
    qint64 moved_ = -1;
    bool headersEnded_ = false; // the last answer's header block ended with its empty line
    char errorText_[256] = {};
};

} // namespace mivora
