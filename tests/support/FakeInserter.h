#pragma once

#include "Insertion/Inserting.h"

#include "support/Deferred.h"

#include <vector>

namespace mivora::test {

// Records the texts it is given (and which came as secrets) and answers `result`: at once, or with
// `holding` set only when `finish` settles the oldest waiting insertion (destruction finishes them all).
class FakeInserter final : public Inserting {
public:
    ~FakeInserter() override {
        while (finish()) {
        }
    }
    QCoro::Task<InsertResult> insert(QString text) override { return record(std::move(text), false); }
    QCoro::Task<InsertResult> insertSensitive(QString text) override { return record(std::move(text), true); }
    bool finish() { return waiting_.settle(result); }

    std::vector<QString> texts;
    std::vector<bool> secret; // per text: given to insertSensitive
    InsertResult result = InsertResult::inserted();
    bool holding = false;

private:
    QCoro::Task<InsertResult> record(QString text, bool sensitive) {
        texts.push_back(text);
        secret.push_back(sensitive);
        if (!holding) co_return InsertResult(result); // a copy: GCC 12 moves a member named in co_return
        auto answer = waiting_.next();
        const InsertResult r = co_await answer;
        co_return r;
    }

    Deferred<InsertResult> waiting_;
};

} // namespace mivora::test
