#include "Support/HttpClient.h"

#include "support/FakeOpenAI.h"
#include "support/FakeScheduler.h"
#include "support/RawServer.h"
#include "support/TaskProbe.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

using namespace mivora;
using namespace mivora::test;

namespace {

std::optional<NetworkError::Kind> failureOf(const TaskProbe<HttpResponse>& probe) {
    if (!probe.done()) return std::nullopt;
    try {
        probe.get();
    } catch (const NetworkError& e) {
        return e.kind();
    }
    return std::nullopt;
}

} // namespace

// Every timer of the client runs on its scheduler and goes with what it serves: a request that moves nothing
// ends as a time-out when its deadline passes, and a request that was answered, one aborted and a client that
// goes leave no timer behind to fire into them.
TEST(HttpClientTimersTest, RunOnTheSchedulerAndLeaveNothingBehind) {
    FakeOpenAI server;
    server.respond("/v1/slow", {.hang = true});
    FakeClock clock;
    FakeScheduler timers(clock);
    std::optional<HttpClient> client(std::in_place, timers);
    // libcurl's own timer fires only when fake time moves, so the wait keeps moving it by nothing.
    const auto until = [&](const std::function<bool()>& done) {
        return QTest::qWaitFor([&] {
            timers.advance(0);
            return done();
        });
    };
    const HttpRequest slow("GET", server.url("/v1/slow"));

    const TaskProbe<HttpResponse> idle(client->send(slow));
    ASSERT_TRUE(until([&] { return server.log.size() == 1; }));
    timers.advance(59.9); // of the default 60 s
    EXPECT_FALSE(idle.done());
    timers.advance(0.1);
    ASSERT_TRUE(idle.done());
    EXPECT_EQ(failureOf(idle), NetworkError::Kind::timeout);

    const TaskProbe<HttpResponse> answered(client->send(HttpRequest("GET", server.url("/v1/none"))));
    ASSERT_TRUE(until([&] { return answered.done(); }));
    EXPECT_EQ(answered.get().status, 404);

    std::shared_ptr<HttpCall> aborted = client->start(slow);
    ASSERT_TRUE(until([&] { return server.log.size() == 3; }));
    aborted->abort();
    aborted.reset();
    const TaskProbe<HttpResponse> orphan(client->send(slow));
    ASSERT_TRUE(until([&] { return server.log.size() == 4; }));
    client.reset();
    EXPECT_EQ(failureOf(orphan), NetworkError::Kind::cancelled);
    // Fake time has stood still since the deadline above, so a timer left behind would still be pending.
    EXPECT_EQ(timers.pending(), 0u);
}

// The deadline is for a transfer that stands still, not for a long one: an upload the server reads slowly and
// a download it sends slowly both take several deadlines in all and still end with their answer.
TEST(HttpClientTimersTest, ATransferThatKeepsMovingOutlivesItsDeadline) {
    FakeClock clock;
    FakeScheduler timers(clock);
    HttpClient client(timers);
    const auto until = [&](const std::function<bool()>& done) {
        return QTest::qWaitFor([&] {
            timers.advance(0);
            return done();
        });
    };
    const double step = 0.4; // of the request's 1 s

    RawServer slowReader(4096);
    HttpRequest upload("POST", slowReader.url("/v1/audio/transcriptions"));
    upload.timeoutMs = 1000;
    upload.body = QByteArray(400000, 'w');
    const TaskProbe<HttpResponse> sent(client.send(upload));
    RawServer::Connection* in = slowReader.next([&] { timers.advance(0); });
    ASSERT_TRUE(in);
    const ClientEnd uploader(*in);
    ASSERT_TRUE(uploader.found());
    int steps = 0;
    while (!in->hasRequest() && !sent.done()) {
        // The server takes what has come; time moves on only once the client has written more.
        const qint64 before = uploader.written();
        ASSERT_TRUE(until([&] { return in->drain(), uploader.written() > before || in->hasRequest(); }));
        timers.advance(step), ++steps;
    }
    EXPECT_GT(steps * step, 2.0);
    in->send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    ASSERT_TRUE(until([&] { return sent.done(); }));
    EXPECT_EQ(sent.get().body, "ok");

    RawServer slowWriter;
    HttpRequest download("GET", slowWriter.url("/v1/vault"));
    download.timeoutMs = 1000;
    const TaskProbe<HttpResponse> fetched(client.send(download));
    RawServer::Connection* out = slowWriter.next([&] { timers.advance(0); });
    ASSERT_TRUE(out && until([&] { return out->hasRequest(); }));
    const ClientEnd downloader(*out);
    ASSERT_TRUE(downloader.found());
    out->send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n");
    for (int i = 0; i < 10 && !fetched.done(); ++i) {
        // One byte at a time; time moves on once the client has read it.
        ASSERT_TRUE(until([&] { return downloader.read() == out->sent; }));
        timers.advance(step);
        out->send(QByteArray(1, char('0' + i)));
    }
    ASSERT_TRUE(until([&] { return fetched.done(); }));
    EXPECT_EQ(fetched.get().body, "0123456789");
}
