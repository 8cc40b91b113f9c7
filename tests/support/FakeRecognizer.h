#pragma once

#include "Cloud/Recognizer.h"
#include "Support/UserError.h"

#include "support/Deferred.h"

#include <stdexcept>
#include <vector>

namespace mivora::test {

// A recogniser whose answers the test gives, oldest request first. `abandon` (also run on destruction)
// fails whatever still waits, so no coroutine is left suspended; a caller's waiting coroutine holds the
// recogniser, so its owner must abandon it first.
class FakeRecognizer final : public Recognizer {
public:
    struct Request {
        AudioClip clip;
        bool tidied; // recognize (dictation) rather than transcribe (recall)
    };
    ~FakeRecognizer() override { abandon(); }
    void abandon() { outcomes_.settleAll({{}, std::make_exception_ptr(UserError("recogniser gone"))}); }

    QCoro::Task<QString> recognize(AudioClip c, QStringList) override { return wait({c, true}); }
    QCoro::Task<QString> transcribe(AudioClip c, QStringList) override { return wait({c, false}); }
    void warmUp() override {}

    bool answer(const QString& text) { return outcomes_.settle({text, nullptr}); }
    // Fails with `message`, or with a library's exception whose English text is no message for the user.
    bool fail(const char* message = nullptr) {
        return outcomes_.settle({{},
                                 message ? std::make_exception_ptr(UserError(QString::fromUtf8(message)))
                                         : std::make_exception_ptr(std::runtime_error("socket closed"))});
    }

    std::vector<Request> requests;

private:
    using Outcome = std::pair<QString, std::exception_ptr>;
    QCoro::Task<QString> wait(Request request) {
        requests.push_back(std::move(request));
        auto outcome = outcomes_.next();
        const Outcome o = co_await outcome;
        if (o.second) std::rethrow_exception(o.second);
        co_return o.first;
    }
    Deferred<Outcome> outcomes_;
};

} // namespace mivora::test
