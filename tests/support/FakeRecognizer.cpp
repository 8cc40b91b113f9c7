#include "support/FakeRecognizer.h"

#include <stdexcept>

namespace mivora::test {

FakeRecognizer::~FakeRecognizer() {
    abandon();
}

void FakeRecognizer::abandon() {
    while (!waiting_.empty())
        settle(std::nullopt, std::make_exception_ptr(std::runtime_error("recogniser gone")));
}

QCoro::Task<QString> FakeRecognizer::recognize(AudioClip clip, QStringList vocabulary) {
    return wait(std::move(clip), std::move(vocabulary), true);
}

QCoro::Task<QString> FakeRecognizer::transcribe(AudioClip clip, QStringList vocabulary) {
    return wait(std::move(clip), std::move(vocabulary), false);
}

QCoro::Task<QString> FakeRecognizer::wait(AudioClip clip, QStringList vocabulary, bool tidied) {
    requests.push_back({std::move(clip), std::move(vocabulary), tidied});
    auto pending = std::make_shared<Pending>();
    waiting_.push_back(pending);
    // A named awaiter: GCC 12 destroys an aggregate temporary awaited in place twice.
    Awaiter awaiter{pending};
    QString text = co_await awaiter;
    co_return text;
}

QString FakeRecognizer::Awaiter::await_resume() const {
    if (pending->error) std::rethrow_exception(pending->error);
    return *pending->text;
}

bool FakeRecognizer::answer(const QString& text) {
    return settle(text, nullptr);
}

bool FakeRecognizer::fail(std::exception_ptr error) {
    return settle(std::nullopt, std::move(error));
}

bool FakeRecognizer::settle(std::optional<QString> text, std::exception_ptr error) {
    if (waiting_.empty()) return false;
    auto pending = waiting_.front();
    waiting_.pop_front();
    pending->text = std::move(text);
    pending->error = std::move(error);
    pending->settled = true;
    if (pending->waiter) pending->waiter.resume();
    return true;
}

} // namespace mivora::test
