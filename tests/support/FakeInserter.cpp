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
    co_return co_await Awaiter{pending};
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
