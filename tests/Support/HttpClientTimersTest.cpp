#include "Support/HttpClient.h"

#include "support/FakeOpenAI.h"
#include "support/FakeScheduler.h"
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
