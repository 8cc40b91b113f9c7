#pragma once

#include "Cloud/CloudASR.h"
#include "Cloud/Recognizer.h"
#include "Support/Clock.h"
#include "Support/Scheduler.h"

#include <functional>
#include <memory>
#include <optional>

namespace mivora {

// The recogniser: writes the take to a temporary WAV file, transcribes it under a deadline that grows with
// the take's length, retries a doubtful answer once without hint words, drops hint echoes and junk, tidies
// untidy dictation with what is left of the deadline, and returns Simplified Chinese. The temporary file
// is removed when a call returns or throws.
class CloudRecognizer final : public Recognizer {
public:
    // Source of a per-request bearer token for relays (the signed-in account's access token); nullopt or
    // an empty string when there is none, in which case the static key is used.
    using AccountToken = std::function<QCoro::Task<std::optional<QString>>()>;

    CloudASR asr;
    AccountToken accountToken;

    // `scheduler` runs the deadlines and `clock` measures the time transcription took.
    CloudRecognizer(CloudASR asr, AccountToken accountToken, Scheduler& scheduler, Clock& clock);

    // ~/.yarrik/openai_key
    static QString keyFile();
    // The relay when Info.json configures one; otherwise the developer key file (one key beginning "sk-",
    // white space around it allowed).
    // Null when neither is usable. Re-reads both on every call. Requests go through `network`, and relays
    // get the device identifier kept in `defaults`; both must outlive the recogniser's work.
    static std::unique_ptr<CloudRecognizer> make(HttpClient& network, Defaults& defaults,
                                                 Scheduler& scheduler, Clock& clock);
    // Requests go to `base` exactly as given, with the account token as the only credential.
    static std::unique_ptr<CloudRecognizer> viaProxy(const QUrl& base, AccountToken accountToken,
                                                     HttpClient& network, Defaults& defaults,
                                                     Scheduler& scheduler, Clock& clock);

    // Seconds allowed per transcription attempt for a take of `seconds`: 6 up to 10 s of audio, then 0.15
    // more per second, at most 30.
    static double deadline(double seconds);
    // True when the transcript shows spoken mess worth a clean-up.
    static bool needsTidy(const QString& text);

    QCoro::Task<QString> recognize(AudioClip clip, QStringList vocabulary) override;
    QCoro::Task<QString> transcribe(AudioClip clip, QStringList vocabulary) override;
    void warmUp() override;

private:
    Scheduler* scheduler_;
    Clock* clock_;
};

} // namespace mivora
