#include "support/FakeInserter.h"

namespace mivora::test {

FakeInserter::~FakeInserter() {
    while (finish()) {
    }
}

QCoro::Task<InsertResult> FakeInserter::insert(QString text) {
    texts.push_back(text);
    auto pending = std::make_shared<Pending>();
    if (!holding) {
        pending->result = result;
        pending->settled = true;
    } else {
        waiting_.push_back(pending);
    }
    // A named awaiter: GCC 12 destroys an aggregate temporary awaited in place twice.
    Awaiter awaiter{pending};
    const InsertResult answer = co_await awaiter;
    co_return answer;
}

bool FakeInserter::finish() {
    if (waiting_.empty()) return false;
    auto pending = waiting_.front();
    waiting_.pop_front();
    pending->result = result;
    pending->settled = true;
    if (pending->waiter) pending->waiter.resume();
    return true;
}

} // namespace mivora::test
