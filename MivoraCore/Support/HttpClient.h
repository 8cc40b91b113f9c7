#pragma once

#include "Support/HttpCall.h"
#include "Support/HttpRequest.h"
#include "Support/Scheduler.h"

#include <QCoro/QCoroTask>
#include <QObject>

#include <memory>
#include <unordered_map>
#include <vector>

class QSocketNotifier;

namespace mivora {

// The program's one HTTP client (libcurl's multi interface driven by this thread's event loop): requests
// run side by side, complete on the thread that made the client, and share kept-alive connections per
// host, so a request sent just after another one to the same server reuses its connection (the warm-up
// of a take opens the connection its upload then uses). TCP_NODELAY is on, so a body's last segment
// leaves at once; TLS checks the server against the system's certificate store; HTTP/1.1 only; no proxy;
// redirects are followed, never from https to http. The header list of a request goes out as given.
// libcurl's timer and each request's idle deadline run on `scheduler`, which must outlive the client.
class HttpClient final : public QObject {
public:
    explicit HttpClient(Scheduler& scheduler, QObject* parent = nullptr);
    ~HttpClient() override;

    // Starts `request`; await the call for its answer.
    std::shared_ptr<HttpCall> start(HttpRequest request);
    // Starts `request` and forgets it: its answer is dropped.
    void fire(HttpRequest request);
    // Starts `request` and waits for its answer.
    QCoro::Task<HttpResponse> send(HttpRequest request);
    // How many requests are in flight, forgotten ones included.
    int running() const { return int(running_.size()); }

private:
    friend class HttpCall;
    struct Watch {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
    };

    static int onSocket(void* easy, int fd, int what, void* client, void* socketData);
    static int onTimer(void* multi, long ms, void* client);
    static int onProgress(void* call, qint64 dlTotal, qint64 dlNow, qint64 ulTotal, qint64 ulNow);
    static size_t onHeader(char* data, size_t size, size_t count, void* call);
    static size_t onData(char* data, size_t size, size_t count, void* call);

    void setTimer(long ms);
    void restartIdle(HttpCall* call);
    void watch(int fd, int what);
    void act(int fd, int flags);
    void drain();
    // Takes `call` off the transfer list and ends it; `code` is a CURLcode.
    void finish(HttpCall* call, int code);
    void detach(HttpCall* call);

    Scheduler& scheduler_;
    void* multi_ = nullptr;
    Scheduler::TimerId timer_ = 0; // libcurl's one timer
    std::unordered_map<int, Watch> watches_;
    std::unordered_map<void*, HttpCall*> running_; // by easy handle
    std::vector<std::shared_ptr<HttpCall>> fired_;
    bool closing_ = false;
};

} // namespace mivora
