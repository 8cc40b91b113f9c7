#include "Support/HttpClient.h"

#include "support/FakeOpenAI.h"
#include "support/TaskProbe.h"

#include <gtest/gtest.h>

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
