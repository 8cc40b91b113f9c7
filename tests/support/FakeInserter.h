#pragma once

#include "Insertion/Inserting.h"

#include "support/Deferred.h"

#include <vector>

namespace mivora::test {

// Records the texts it is given and answers `result`: at once, or with `holding` set only when `finish`
// settles the oldest waiting insertion (destruction finishes them all).
class FakeInserter final : public Inserting {
public:
    ~FakeInserter() override {
        while (finish()) {
        }
    }
    QCoro::Task<InsertResult> insert(QString text) override {
        texts.push_back(text);
        if (!holding) co_return result;
        auto answer = waiting_.next();
        const InsertResult r = co_await answer;
        co_return r;
    }
    bool finish() { return waiting_.settle(result); }

    std::vector<QString> texts;
    InsertResult result = InsertResult::inserted();
    bool holding = false;

private:
    Deferred<InsertResult> waiting_;
};

} // namespace mivora::test
