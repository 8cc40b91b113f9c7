#pragma once

#include "Audio/AudioSource.h"
#include "Audio/FileSource.h"

#include <memory>

namespace mivora {

class Scheduler;

// The self-test's microphone: each take plays back the audio file of the case being run.
class SelfTestSource final : public AudioSource {
public:
    explicit SelfTestSource(Scheduler& scheduler) : scheduler_(scheduler), file_(newFile({})) {}

    void play(const QString& path) { file_ = newFile(path); }

    // Each keeps its file alive until it ends, whatever the next case plays.
    QCoro::Task<> start(std::function<void(float)> level) override {
        const std::shared_ptr<FileSource> file = file_;
        co_await file->start(std::move(level));
    }
    QCoro::Task<AudioClip> stop() override {
        const std::shared_ptr<FileSource> file = file_;
        AudioClip clip = co_await file->stop();
        co_return clip;
    }
    void cancel() override { file_->cancel(); }

private:
    std::shared_ptr<FileSource> newFile(const QString& path) {
        return std::make_shared<FileSource>(path, scheduler_);
    }

    Scheduler& scheduler_;
    std::shared_ptr<FileSource> file_;
};

} // namespace mivora
