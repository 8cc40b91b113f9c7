#include "Support/HttpClient.h"

#include <QSocketNotifier>

#include <algorithm>
#include <utility>

#include <curl/curl.h>

namespace mivora {

namespace {

NetworkError::Kind kindOf(CURLcode code) {
    using Kind = NetworkError::Kind;
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        return Kind::timeout;
    case CURLE_ABORTED_BY_CALLBACK:
        return Kind::cancelled;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return Kind::hostNotFound;
    case CURLE_COULDNT_CONNECT:
        return Kind::unreachable;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
        return Kind::closed;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return Kind::insecure;
    default:
        return Kind::other;
    }
}

// Options every request shares.
void configure(CURL* easy) {
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_TCP_NODELAY, 1L);
    curl_easy_setopt(easy, CURLOPT_PROXY, ""); // never a proxy from the environment
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 50L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
}

} // namespace

HttpCall::~HttpCall() {
    if (client_) client_->detach(this);
    if (easy_) curl_easy_cleanup(static_cast<CURL*>(easy_));
    curl_slist_free_all(static_cast<curl_slist*>(headerList_));
}

void HttpCall::abort() {
    if (client_) client_->finish(this, CURLE_ABORTED_BY_CALLBACK);
}

HttpClient::HttpClient(Scheduler& scheduler, QObject* parent) : QObject(parent), scheduler_(scheduler) {
    static const CURLcode global = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)global;
    multi_ = curl_multi_init();
    curl_multi_setopt(multi_, CURLMOPT_SOCKETFUNCTION, &HttpClient::onSocket);
    curl_multi_setopt(multi_, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi_, CURLMOPT_TIMERFUNCTION, &HttpClient::onTimer);
    curl_multi_setopt(multi_, CURLMOPT_TIMERDATA, this);
}

HttpClient::~HttpClient() {
    closing_ = true;
    // Whoever still waits learns that the request was cancelled.
    while (!running_.empty())
        finish(running_.begin()->second, CURLE_ABORTED_BY_CALLBACK);
    fired_.clear();
    curl_multi_cleanup(multi_);
    scheduler_.cancel(timer_); // after the cleanup, which may still set it
    for (auto& [fd, w] : watches_) {
        delete w.read;
        delete w.write;
    }
}

std::shared_ptr<HttpCall> HttpClient::start(HttpRequest request) {
    std::shared_ptr<HttpCall> call(new HttpCall);
    if (closing_) {
        call->done_ = true;
        call->error_.emplace(NetworkError::Kind::cancelled, QStringLiteral("the client is closing"));
        return call;
    }
    CURL* easy = curl_easy_init();
    call->easy_ = easy;
    configure(easy);
    const QByteArray url = request.url.toEncoded();
    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
    const bool https = request.url.scheme() == QLatin1String("https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, https ? "https" : "http,https");
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");

    if (request.method == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else if (request.method != "GET" || request.body) {
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method.constData());
    }
    if (request.body) {
        call->requestBody_ = *request.body;
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(call->requestBody_.size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, call->requestBody_.constData());
    }
    curl_slist* headers = nullptr;
    for (const auto& [name, value] : request.headers) {
        // "Name;" is curl's way of sending a header whose value is empty.
        const QByteArray line = value.isEmpty() ? name + ';' : name + ": " + value;
        headers = curl_slist_append(headers, line.constData());
    }
    headers = curl_slist_append(headers, "Expect:"); // a body goes out at once, not after a 100 reply
    call->headerList_ = headers;
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    if (request.oneAttempt) {
        curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    }

    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &HttpClient::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, call.get());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &HttpClient::onData);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, call.get());
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &HttpClient::onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, call.get());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, call->errorText_);
    curl_easy_setopt(easy, CURLOPT_PRIVATE, call.get());

    HttpCall* raw = call.get();
    raw->idleSeconds_ = request.timeoutMs / 1000.0;
    restartIdle(raw);
    raw->client_ = this;
    running_[easy] = raw;
    curl_multi_add_handle(multi_, easy);
    return call;
}

void HttpClient::fire(HttpRequest request) {
    auto call = start(std::move(request));
    if (call->isDone()) return;
    call->detached_ = true;
    fired_.push_back(std::move(call));
}

QCoro::Task<HttpResponse> HttpClient::send(HttpRequest request) {
    const std::shared_ptr<HttpCall> call = start(std::move(request));
    co_return co_await *call;
}

int HttpClient::onSocket(void*, int fd, int what, void* client, void*) {
    static_cast<HttpClient*>(client)->watch(fd, what);
    return 0;
}

int HttpClient::onTimer(void*, long ms, void* client) {
    static_cast<HttpClient*>(client)->setTimer(ms);
    return 0;
}

int HttpClient::onProgress(void* data, qint64, qint64 dlNow, qint64, qint64 ulNow) {
    auto* call = static_cast<HttpCall*>(data);
    if (dlNow + ulNow != call->moved_) {
        call->moved_ = dlNow + ulNow;
        if (call->client_) call->client_->restartIdle(call);
    }
    return 0;
}

size_t HttpClient::onHeader(char* data, size_t size, size_t count, void* target) {
    auto* call = static_cast<HttpCall*>(target);
    const QByteArrayView line(data, qsizetype(size * count));
    // Every answer (an interim 1xx, a redirect, the final one) starts with its status line and ends its
    // header block with an empty line (libcurl takes the status line's "HTTP/" in any case).
    if (line.size() >= 5 && qstrnicmp(line.data(), "HTTP/", 5) == 0)
        call->headersEnded_ = false;
    else if (line == "\r\n" || line == "\n")
        call->headersEnded_ = true;
    return size * count;
}

size_t HttpClient::onData(char* data, size_t size, size_t count, void* call) {
    static_cast<HttpCall*>(call)->response_.body.append(data, qsizetype(size * count));
    return size * count;
}

void HttpClient::setTimer(long ms) {
    // A new time replaces the old one; -1 only deletes it. Even 0 goes through the scheduler: acting from
    // inside curl's callback would reenter it.
    if (timer_ != 0) scheduler_.cancel(std::exchange(timer_, 0));
    if (ms < 0) return;
    timer_ = scheduler_.after(double(ms) / 1000.0, [this] {
        timer_ = 0; // before acting: curl sets its next time from inside
        act(CURL_SOCKET_TIMEOUT, 0);
    });
}

void HttpClient::restartIdle(HttpCall* call) {
    if (call->idle_ != 0) scheduler_.cancel(call->idle_);
    call->idle_ = scheduler_.after(call->idleSeconds_, [this, call] {
        call->idle_ = 0;
        finish(call, CURLE_OPERATION_TIMEDOUT);
    });
}

void HttpClient::watch(int fd, int what) {
    if (what == CURL_POLL_REMOVE) {
        const auto it = watches_.find(fd);
        if (it == watches_.end()) return;
        // A notifier may be the one whose signal is running now: disable it here, delete it later.
        for (QSocketNotifier* n : {it->second.read, it->second.write}) {
            if (!n) continue;
            n->setEnabled(false);
            n->deleteLater();
        }
        watches_.erase(it);
        return;
    }
    Watch& w = watches_[fd];
    const bool in = what == CURL_POLL_IN || what == CURL_POLL_INOUT;
    const bool out = what == CURL_POLL_OUT || what == CURL_POLL_INOUT;
    if (in && !w.read) {
        w.read = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(w.read, &QSocketNotifier::activated, this, [this, fd] { act(fd, CURL_CSELECT_IN); });
    }
    if (out && !w.write) {
        w.write = new QSocketNotifier(fd, QSocketNotifier::Write, this);
        connect(w.write, &QSocketNotifier::activated, this, [this, fd] { act(fd, CURL_CSELECT_OUT); });
    }
    if (w.read) w.read->setEnabled(in);
    if (w.write) w.write->setEnabled(out);
}

void HttpClient::act(int fd, int flags) {
    int running = 0;
    curl_multi_socket_action(multi_, fd, flags, &running);
    drain();
}

void HttpClient::drain() {
    // Collected first: a message is only valid until its handle leaves the multi handle.
    std::vector<std::pair<void*, CURLcode>> ended;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &left))
        if (message->msg == CURLMSG_DONE) ended.emplace_back(message->easy_handle, message->data.result);
    for (const auto& [easy, code] : ended) {
        // An earlier completion may have aborted this one while its coroutine ran.
        const auto it = running_.find(easy);
        if (it != running_.end()) finish(it->second, code);
    }
}

void HttpClient::finish(HttpCall* call, int code) {
    detach(call);
    call->done_ = true;
    const auto result = CURLcode(code);
    long status = 0;
    curl_easy_getinfo(static_cast<CURL*>(call->easy_), CURLINFO_RESPONSE_CODE, &status);
    if (result == CURLE_OK && !call->headersEnded_) {
        // libcurl ends a transfer whose connection closed inside the header block without an error; a
        // status line alone is no answer, and reading it as one would take a cut 200 for a success.
        call->error_.emplace(NetworkError::Kind::closed,
                             QStringLiteral("the connection closed before the end of the headers"));
        call->response_ = {};
    } else if (result == CURLE_OK && (status < 100 || status > 999)) {
        // libcurl takes a status line it cannot read ("HTTP/204 No Content") for an answer with status 0,
        // and reads a mangled version ("HTTP/2222221.1 200") as a status past three digits.
        call->error_.emplace(NetworkError::Kind::other, QStringLiteral("the answer had no readable status"));
        call->response_ = {};
    } else if (result == CURLE_OK) {
        call->response_.status = int(status);
    } else {
        QString detail = QString::fromUtf8(call->errorText_);
        if (detail.isEmpty()) detail = QString::fromUtf8(curl_easy_strerror(result));
        call->error_.emplace(kindOf(result), detail);
        call->response_ = {};
    }
    std::shared_ptr<HttpCall> keep; // a fired call dies here, after it is done with
    if (call->detached_) {
        const auto it =
            std::find_if(fired_.begin(), fired_.end(), [&](const auto& c) { return c.get() == call; });
        if (it != fired_.end()) {
            keep = std::move(*it);
            fired_.erase(it);
        }
    }
    // The last thing done with the call: the awaiting coroutine may drop it.
    if (auto waiter = std::exchange(call->waiter_, {})) waiter.resume();
}

void HttpClient::detach(HttpCall* call) {
    if (!call->client_) return;
    call->client_ = nullptr;
    if (call->idle_ != 0) scheduler_.cancel(std::exchange(call->idle_, 0));
    running_.erase(call->easy_);
    curl_multi_remove_handle(multi_, static_cast<CURL*>(call->easy_));
}

} // namespace mivora
