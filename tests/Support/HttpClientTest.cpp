#include "Support/HttpClient.h"

#include "support/FakeOpenAI.h"
#include "support/RawServer.h"
#include "support/ScopedEnv.h"
#include "support/TaskProbe.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace mivora;
using namespace mivora::test;

namespace {

NetworkError::Kind failureOf(const TaskProbe<HttpResponse>& probe) {
    EXPECT_TRUE(probe.wait());
    try {
        probe.get();
    } catch (const NetworkError& e) {
        return e.kind();
    }
    ADD_FAILURE() << "no network error";
    return NetworkError::Kind::other;
}

} // namespace

// A server that stops answering costs the request's own time-out; one that is not there fails at once; a
// request whose client goes is cancelled, and the coroutine waiting for it learns so.
TEST(HttpClientTest, EndsARequestWithoutAnAnswerAsTheRightFailure) {
    FakeOpenAI server;
    server.respond("/v1/slow", {.hang = true});
    HttpRequest slow("POST", server.url("/v1/slow"));
    slow.body = "{}";
    slow.timeoutMs = 200;
    {
        QtScheduler timers;
        HttpClient client(timers);
        const TaskProbe<HttpResponse> probe(client.send(slow));
        EXPECT_EQ(failureOf(probe), NetworkError::Kind::timeout);
        EXPECT_EQ(NetworkError(NetworkError::Kind::timeout, {}).message(), "请求超时。");
    }
    {
        QtScheduler timers;
        HttpClient client(timers);
        HttpRequest nowhere("GET", QUrl("http://127.0.0.1:1/v1/models"));
        EXPECT_EQ(failureOf(TaskProbe<HttpResponse>(client.send(nowhere))), NetworkError::Kind::unreachable);
    }
    std::optional<TaskProbe<HttpResponse>> orphan;
    {
        QtScheduler timers;
        HttpClient client(timers);
        slow.timeoutMs = 20000;
        orphan.emplace(client.send(slow));
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.log.size() == 2; }));
    }
    EXPECT_EQ(failureOf(*orphan), NetworkError::Kind::cancelled);
}

// Headers go out in the order given and the body byte for byte; any status is an answer.
TEST(HttpClientTest, SendsHeadersInOrderAndReturnsAnyStatus) {
    FakeOpenAI server;
    server.respond("/v1/vault", FakeOpenAI::error(409, "taken"));
    QtScheduler timers;
    HttpClient client(timers);
    HttpRequest put("PUT", server.url("/v1/vault"));
    put.setHeader("Content-Type", "application/json");
    put.setHeader("X-B", "2");
    put.setHeader("X-A", "1");
    put.setHeader("content-type", "text/plain"); // replaces the first, and goes last
    put.body = QByteArray("{\"a\":\"\x00\xff\"}", 11);
    const TaskProbe<HttpResponse> probe(client.send(put));
    ASSERT_TRUE(probe.wait());
    const HttpResponse answer = probe.get();
    EXPECT_EQ(answer.status, 409);
    EXPECT_EQ(answer.body, FakeOpenAI::error(409, "taken").body);
    const auto& request = server.log.first();
    EXPECT_EQ(request.body, *put.body);
    QList<QByteArray> ours;
    for (const auto& [name, value] : request.headers)
        if (name.startsWith("X-") || name.compare("Content-Type", Qt::CaseInsensitive) == 0)
            ours << name + ':' + value;
    EXPECT_EQ(ours, (QList<QByteArray>{"X-B:2", "X-A:1", "content-type:text/plain"}));
}

// An answer is whole once its header block has ended: a connection that closes before the empty line is the
// `closed` failure, however much of the status and headers came, and a status line without a status is no
// answer either; after the header block, the body runs to the close.
TEST(HttpClientTest, AConnectionClosedInsideTheHeadersIsNoAnswer) {
    QtScheduler timers;
    HttpClient client(timers);
    RawServer server;
    const auto answer = [&](const QByteArray& bytes) {
        const TaskProbe<HttpResponse> probe(client.send(HttpRequest("GET", server.url("/v1/auth/logout"))));
        if (RawServer::Connection* c = server.nextRequest()) {
            c->send(bytes);
            c->close();
        }
        return probe;
    };
    for (const QByteArray& cut :
         {QByteArray("HTTP/1.1 200 OK\r\n"), QByteArray("HTTP/1.1 200 OK\r\nContent-Type: te"),
          QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n"),
          QByteArray("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 204 No Content\r\n")})
        EXPECT_EQ(failureOf(answer(cut)), NetworkError::Kind::closed) << cut.toStdString();

    for (const QByteArray& unreadable :
         {QByteArray("HTTP/204 No Content\r\n\r\n"), QByteArray("HTTP/2222221.1 200 OK\r\n\r\n{}")})
        EXPECT_EQ(failureOf(answer(unreadable)), NetworkError::Kind::other) << unreadable.toStdString();

    const TaskProbe<HttpResponse> whole =
        answer("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n{\"ok\":1}");
    ASSERT_TRUE(whole.wait());
    EXPECT_EQ(whole.get().status, 200);
    EXPECT_EQ(whole.get().body, "{\"ok\":1}");
}

// Recognition and account requests go straight to the server they name, a relay on 127.0.0.1 included,
// whatever proxy the environment names, and with TCP_NODELAY, so an upload's last segment leaves at once.
TEST(HttpClientTest, GoesStraightToTheServerWithNoDelayWhateverTheEnvironmentSays) {
    QtScheduler timers;
    HttpClient client(timers);
    RawServer proxy;
    const QByteArray proxyURL = proxy.url("").toEncoded();
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) {
        const ScopedEnv variable(name, proxyURL);
        RawServer relay;
        HttpRequest upload("POST", relay.url("/v1/audio/transcriptions"));
        upload.body = QByteArray(200000, 'a');
        upload.oneAttempt = std::strcmp(name, "all_proxy") == 0; // as account requests go
        const TaskProbe<HttpResponse> probe(client.send(upload));
        RawServer::Connection* c = relay.nextRequest();
        ASSERT_TRUE(c) << name;
        EXPECT_TRUE(c->received.startsWith("POST /v1/audio/transcriptions HTTP/1.1\r\n")) << name;
        const ClientEnd end(*c);
        ASSERT_TRUE(end.found());
        EXPECT_TRUE(end.noDelay()) << name;
        c->send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
        ASSERT_TRUE(probe.wait());
        EXPECT_EQ(probe.get().body, "ok");
    }
    // https goes straight too: the server sees the TLS greeting, not a proxy's CONNECT.
    for (const char* name : {"https_proxy", "HTTPS_PROXY", "all_proxy"}) {
        const ScopedEnv variable(name, proxyURL);
        RawServer relay;
        const TaskProbe<HttpResponse> probe(
            client.send(HttpRequest("GET", relay.url("/v1/models", "https"))));
        RawServer::Connection* c = relay.next();
        ASSERT_TRUE(c) << name;
        ASSERT_TRUE(QTest::qWaitFor([&] { return c->drain(), !c->received.isEmpty(); }));
        EXPECT_EQ(c->received.at(0), '\x16') << name; // a TLS handshake record
        c->close();
        EXPECT_TRUE(probe.wait());
    }
    EXPECT_TRUE(proxy.connections.empty());
}
