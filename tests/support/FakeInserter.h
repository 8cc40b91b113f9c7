#pragma once

#include "Dictation/Inserting.h"

#include <coroutine>
#include <deque>
#include <memory>
#include <vector>

namespace mivora::test {

// An inserter that records the texts it is given. By default it answers at once with `result`; with
// `holding` set, each insertion waits until `finish` settles the oldest one. Insertions still waiting
// when the fake goes away finish, so no coroutine is left suspended forever.
class FakeInserter final : public Inserting {
public:
    ~FakeInserter() override;

    QCoro::Task<InsertResult> insert(QString text) override;

    // Settles the oldest waiting insertion with `result`; false when none waits.
    bool finish();
    size_t waiting() const { return waiting_.size(); }

    std::vector<QString> texts;
    InsertResult result = InsertResult::inserted();
    bool holding = false;

private:
    struct Pending {
        std::coroutine_handle<> waiter;
        InsertResult result;
        bool settled = false;
    };
    struct Awaiter {
        std::shared_ptr<Pending> pending;
        bool await_ready() const noexcept { return pending->settled; }
        void await_suspend(std::coroutine_handle<> h) noexcept { pending->waiter = h; }
        InsertResult await_resume() const { return pending->result; }
    };
    std::deque<std::shared_ptr<Pending>> waiting_;
};

} // namespace mivora::test
