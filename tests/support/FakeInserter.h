#pragma once

#include "Insertion/Inserting.h"

#include "support/Deferred.h"

#include <vector>

namespace mivora::test {

// Records the texts it is given (and which came as secrets, which over a composition) and answers `result`
// at once, or with `holding` set never until it goes away.
class FakeInserter final : public Inserting {
public:
    ~FakeInserter() override { waiting_.settleAll(true); }
    QCoro::Task<InsertResult> insert(QString text) override { return insert(std::move(text), {}, false); }
    QCoro::Task<InsertResult> insertSensitive(QString text) override {
        return insert(std::move(text), {}, true);
    }
    QCoro::Task<InsertResult> insertOverComposition(QString text, bool sensitive) override {
        focuses.push_back(std::nullopt);
        return record(std::move(text), sensitive, true);
    }
    QCoro::Task<InsertResult> insert(QString text, std::optional<FocusKind> focus, bool sensitive) override {
        focuses.push_back(focus);
        return record(std::move(text), sensitive);
    }

    // Lets every held insertion end.
    void release() { waiting_.settleAll(true); }

    std::vector<QString> texts;
    std::vector<bool> secret;                      // per text: given as a secret
    std::vector<bool> overComposition;             // per text: given to insertOverComposition
    std::vector<std::optional<FocusKind>> focuses; // per text: the focus the caller knew
    bool holding = false;
    InsertResult result = InsertResult::inserted(); // what every insertion answers

private:
    QCoro::Task<InsertResult> record(QString text, bool sensitive, bool composing = false) {
        texts.push_back(text);
        secret.push_back(sensitive);
        overComposition.push_back(composing);
        if (holding) {
            auto answer = waiting_.next();
            co_await answer;
        }
        InsertResult answer = result; // a copy: returning the member would move it away
        co_return answer;
    }

    Deferred<bool> waiting_;
};

} // namespace mivora::test
