#include "Platform/Linux/QtAudioInputs.h"

#include "Platform/Linux/PulseDefaultSource.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QMediaDevices>

#include <atomic>
#include <chrono>
#include <thread>

namespace mivora {

namespace {
constexpr int retryAnswerMs = 1000; // each later question
constexpr auto retryPause = std::chrono::milliseconds(500);
} // namespace

// Shared with the asking thread, which may outlive the inputs by one question.
struct QtAudioInputs::Probe {
    std::atomic<bool> answered{false};
    std::atomic<bool> gone{false};
    bool asking = false;            // main thread only
    std::function<void()> onChange; // main thread only
};

QtAudioInputs::QtAudioInputs() : probe_(std::make_shared<Probe>()) {}

QtAudioInputs::~QtAudioInputs() {
    // The thread is not waited for: it sees this at its next question and ends.
    probe_->gone = true;
    probe_->onChange = nullptr;
}

void QtAudioInputs::setChangeHandler(std::function<void()> onChange) {
    probe_->onChange = std::move(onChange);
}

bool QtAudioInputs::available() {
    if (!answered_) answered_ = probe_->answered;
    if (!answered_ && !probe_->asking) {
        answered_ = PulseDefaultSource::answers(firstAnswerMs);
        if (!answered_) {
            probe_->asking = true;
            std::thread([probe = probe_] {
                while (!probe->gone && !PulseDefaultSource::answers(retryAnswerMs))
                    std::this_thread::sleep_for(retryPause);
                if (probe->gone) return;
                probe->answered = true;
                if (QCoreApplication* app = QCoreApplication::instance())
                    QMetaObject::invokeMethod(
                        app,
                        [probe] {
                            if (!probe->gone && probe->onChange) probe->onChange();
                        },
                        Qt::QueuedConnection);
            }).detach();
        }
    }
    return answered_ && !QMediaDevices::audioInputs().isEmpty();
}

} // namespace mivora
