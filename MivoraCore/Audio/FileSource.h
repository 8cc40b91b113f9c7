#pragma once

#include "Audio/AudioSource.h"
#include "Support/Scheduler.h"
#include "Support/UserError.h"

#include <QString>

namespace mivora {

// Plays back a prepared audio file as if it were spoken: a synthetic meter while the take runs, and the
// file's audio, converted to the engine format, when it stops. Used by the self-test and the demo modes.
class FileSource final : public AudioSource {
public:
    // The file could not be opened or read. The message is the user-facing text.
    class LoadError : public UserError {
    public:
        LoadError(const QString& path, const QString& reason);
    };

    FileSource(QString path, Scheduler& scheduler);
    ~FileSource() override;

    QString path() const { return path_; }

    // Never throws and is done at once: the meter runs at 30 Hz on the scheduler until stop or cancel.
    QCoro::Task<> start(std::function<void(float)> level) override;
    // The whole file, or an empty clip when it cannot be read; done at once.
    QCoro::Task<AudioClip> stop() override;
    void cancel() override;

    // Reads the whole file (any format and rate libsndfile reads) into a 16 kHz mono clip. Throws
    // LoadError when the file cannot be opened or read.
    static AudioClip load(const QString& path);

private:
    void stopMeter();

    const QString path_;
    Scheduler& scheduler_;
    Scheduler::TimerId timer_ = 0;
};

} // namespace mivora
