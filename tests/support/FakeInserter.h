#pragma once

#include "Dictation/Inserting.h"

#include "support/Deferred.h"

#include <deque>
#include <vector>

namespace mivora::test {

// An inserter that records the texts it is given and answers `result`: at once, or with `holding` set
// only when `finish` settles the oldest waiting insertion (destruction finishes them all).
class FakeInserter final : public Inserting {
public:
    ~FakeInserter() override {
        while (finish()) {
        }
    }

    QCoro::Task<InsertResult> insert(QString text) override {
        texts.push_back(text);
        Deferred<InsertResult> answer;
        if (holding)
            waiting_.push_back(answer);
        else
            answer.set(result);
        InsertResult r = co_await answer;
        co_return r;
    }

    bool finish() {
        if (waiting_.empty()) return false;
        const Deferred<InsertResult> next = waiting_.front();
        waiting_.pop_front();
        next.set(result);
        return true;
    }
    size_t waiting() const { return waiting_.size(); }

    std::vector<QString> texts;
    InsertResult result = InsertResult::inserted();
    bool holding = false;

private:
    std::deque<Deferred<InsertResult>> waiting_;
};

} // namespace mivora::test
