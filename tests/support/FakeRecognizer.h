#pragma once

#include "Dictation/Recognizer.h"

#include <coroutine>
#include <deque>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

namespace mivora::test {

// A recogniser whose answers the test gives: each request waits until `answer` or `fail` settles the
// oldest waiting one. Requests still waiting when the fake goes away fail, so no coroutine is left
// suspended forever.
class FakeRecognizer final : public Recognizer {
public:
    struct Request {
        AudioClip clip;
        QStringList vocabulary;
        bool tidied = false; // recognize (dictation) rather than transcribe (recall)
    };

    ~FakeRecognizer() override;

    QCoro::Task<QString> recognize(AudioClip clip, QStringList vocabulary) override;
    QCoro::Task<QString> transcribe(AudioClip clip, QStringList vocabulary) override;
    void warmUp() override { ++warmUps; }

    // Settles the oldest waiting request; false when none waits.
    bool answer(const QString& text);
    bool fail(std::exception_ptr error);
    size_t waiting() const { return waiting_.size(); }
    // Fails every waiting request, so the coroutines awaiting them finish.
    void abandon();

    std::vector<Request> requests;
    int warmUps = 0;

private:
    struct Pending {
        std::coroutine_handle<> waiter;
        std::optional<QString> text;
        std::exception_ptr error;
        bool settled = false;
    };
    struct Awaiter {
        std::shared_ptr<Pending> pending;
        bool await_ready() const noexcept { return pending->settled; }
        void await_suspend(std::coroutine_handle<> h) noexcept { pending->waiter = h; }
        QString await_resume() const;
    };
    QCoro::Task<QString> wait(AudioClip clip, QStringList vocabulary, bool tidied);
    bool settle(std::optional<QString> text, std::exception_ptr error);

    std::deque<std::shared_ptr<Pending>> waiting_;
};

} // namespace mivora::test
