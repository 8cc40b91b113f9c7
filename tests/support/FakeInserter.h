#pragma once

#include "Insertion/Inserting.h"

#include "support/Deferred.h"

#include <vector>

namespace mivora::test {

// Records the texts it is given (and which came as secrets) and inserts them at once, or with `holding` set
// never until it goes away.
class FakeInserter final : public Inserting {
public:
    ~FakeInserter() override { waiting_.settleAll(true); }
    QCoro::Task<InsertResult> insert(QString text) override { return insert(std::move(text), {}, false); }
    QCoro::Task<InsertResult> insertSensitive(QString text) override {
        return insert(std::move(text), {}, true);
    }
    QCoro::Task<InsertResult> insert(QString text, std::optional<FocusKind> focus, bool sensitive) override {
        focuses.push_back(focus);
        return record(std::move(text), sensitive);
    }

    // Lets every held insertion end.
    void release() { waiting_.settleAll(true); }

    std::vector<QString> texts;
    std::vector<bool> secret;                      // per text: given to insertSensitive
    std::vector<std::optional<FocusKind>> focuses; // per text: the focus the caller knew
    bool holding = false;

private:
    QCoro::Task<InsertResult> record(QString text, bool sensitive) {
        texts.push_back(text);
        secret.push_back(sensitive);
        if (holding) {
            auto answer = waiting_.next();
            co_await answer;
        }
        co_return InsertResult::inserted();
    }

    Deferred<bool> waiting_;
};

} // namespace mivora::test
