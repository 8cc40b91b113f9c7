#pragma once

#include "Dictation/Recognizer.h"

#include "support/Deferred.h"

#include <deque>
#include <exception>
#include <stdexcept>
#include <vector>

namespace mivora::test {

// A recogniser whose answers the test gives: each request waits until `answer` or `fail` settles the
// oldest waiting one. `abandon` (also run on destruction) fails whatever still waits, so no coroutine is
// left suspended.
class FakeRecognizer final : public Recognizer {
public:
    struct Request {
        AudioClip clip;
        QStringList vocabulary;
        bool tidied = false; // recognize (dictation) rather than transcribe (recall)
    };

    ~FakeRecognizer() override { abandon(); }

    QCoro::Task<QString> recognize(AudioClip clip, QStringList vocabulary) override {
        return wait({std::move(clip), std::move(vocabulary), true});
    }
    QCoro::Task<QString> transcribe(AudioClip clip, QStringList vocabulary) override {
        return wait({std::move(clip), std::move(vocabulary), false});
    }
    void warmUp() override { ++warmUps; }

    bool answer(const QString& text) { return settle({text, nullptr}); }
    bool fail(std::exception_ptr error) { return settle({{}, std::move(error)}); }
    void abandon() {
        while (fail(std::make_exception_ptr(std::runtime_error("recogniser gone")))) {
        }
    }

    std::vector<Request> requests;
    int warmUps = 0;

private:
    struct Outcome {
        QString text;
        std::exception_ptr error;
    };
    QCoro::Task<QString> wait(Request request) {
        requests.push_back(std::move(request));
        Deferred<Outcome> outcome;
        waiting_.push_back(outcome);
        Outcome o = co_await outcome;
        if (o.error) std::rethrow_exception(o.error);
        co_return o.text;
    }
    bool settle(Outcome outcome) {
        if (waiting_.empty()) return false;
        const Deferred<Outcome> next = waiting_.front();
        waiting_.pop_front();
        next.set(std::move(outcome));
        return true;
    }

    std::deque<Deferred<Outcome>> waiting_;
};

} // namespace mivora::test
