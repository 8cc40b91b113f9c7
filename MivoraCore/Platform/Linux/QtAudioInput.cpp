#include "Platform/Linux/QtAudioInput.h"

#include "Platform/Linux/PulseDefaultSource.h"
#include "Platform/Linux/PulseWatcher.h"
#include "Support/Scheduler.h"
#include "Support/UserError.h"

#include <QAudioSource>
#include <QCoreApplication>
#include <QIODevice>
#include <QMediaDevices>

#include <QPointer>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include <coroutine>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

namespace mivora {

// The way from the capture thread to the handler. Closing it under the lock waits for a buffer being
// handled and turns every later buffer away.
struct QtAudioInput::Gate {
    std::mutex mutex;
    Handler handler;
    QAudioFormat::SampleFormat sampleFormat = QAudioFormat::Float;
    void close() {
        std::lock_guard lock(mutex);
        handler = nullptr;
    }
};

namespace {

constexpr int pollMs = 20;

QString describe(QAudio::Error error) {
    switch (error) {
    case QAudio::OpenError:
        return QStringLiteral("麦克风打不开：设备打开失败");
    case QAudio::IOError:
        return QStringLiteral("麦克风打不开：读不到声音数据");
    case QAudio::FatalError:
        return QStringLiteral("麦克风打不开：声音服务出错");
    default:
        return QStringLiteral("麦克风打不开");
    }
}

} // namespace

// The answer to one opening of the device, on the main thread: the first of the capture thread's report,
// the deadline and a stop wins, and resumes the coroutine waiting for it.
struct QtAudioInput::Opening {
    enum Outcome { pending, running, failed, timedOut, stopped };
    Outcome outcome = pending;
    QString failure;
    std::coroutine_handle<> waiter;

    void settle(Outcome o, QString why = {}) {
        if (outcome != pending) return;
        outcome = o;
        failure = std::move(why);
        wake();
    }
    void wake() {
        if (waiter) std::exchange(waiter, {}).resume();
    }
    // Awaited as a named object holding the state, so a copy made on the way shares it.
    struct Wait {
        std::shared_ptr<Opening> state;
        bool await_ready() const noexcept { return state->outcome != pending; }
        void await_suspend(std::coroutine_handle<> h) const noexcept { state->waiter = h; }
        void await_resume() const noexcept {}
    };
};

// The capture thread and the objects that live on it. Touched only on that thread, except for the
// thread object itself.
struct QtAudioInput::Capture {
    QThread thread;
    QObject* context = nullptr; // lives on the thread: queued work runs there
    QAudioSource* source = nullptr;
    QTimer* poll = nullptr; // collects what the stream has, on this thread's own loop

    Capture() {
        thread.setObjectName(QStringLiteral("mic-capture"));
        thread.start();
        context = new QObject;
        context->moveToThread(&thread);
    }
    // On the capture thread. Qt 6.4's QAudioSource runs the thread's pending events inside its
    // destructor, so queued work (another stop, the next start) can run in the middle of this: the
    // members are cleared before anything is deleted.
    void stopSource() {
        QAudioSource* oldSource = std::exchange(source, nullptr);
        delete std::exchange(poll, nullptr);
        if (oldSource) {
            oldSource->stop();
            delete oldSource;
        }
    }
    // From the main thread: ends the thread if it answers in time. A thread stuck inside the sound server
    // cannot be ended; it is left to itself (and this object with it) rather than blocking the program.
    static void retire(Capture* capture, int waitMs) {
        QMetaObject::invokeMethod(
            capture->context,
            [capture] {
                capture->stopSource();
                capture->context->deleteLater(); // deleted as the thread finishes
                capture->thread.quit();
            },
            Qt::QueuedConnection);
        if (capture->thread.wait(QDeadlineTimer(waitMs))) delete capture;
    }
};

QtAudioInput::QtAudioInput(Scheduler& scheduler, QObject* parent) : QObject(parent), scheduler_(scheduler) {}

QtAudioInput::~QtAudioInput() {
    stop();
    if (capture_) Capture::retire(capture_, startTimeoutMs);
}

QAudioDevice QtAudioInput::chooseDevice() const {
    const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    if (inputs.isEmpty()) return {};
    if (const auto name = PulseDefaultSource::name())
        for (const QAudioDevice& device : inputs)
            if (QString::fromUtf8(device.id()) == *name) return device;
    return QMediaDevices::defaultAudioInput();
}

AudioInput::Format QtAudioInput::format() {
    device_ = chooseDevice();
    if (device_.isNull()) return {};
    const QAudioFormat preferred = device_.preferredFormat();
    // Floats when the device offers them (exact zeros stay exact), otherwise 16-bit samples.
    format_ = preferred;
    format_.setSampleFormat(QAudioFormat::Float);
    if (!device_.isFormatSupported(format_)) format_.setSampleFormat(QAudioFormat::Int16);
    if (!device_.isFormatSupported(format_)) return {};
    return {double(preferred.sampleRate()), preferred.channelCount()};
}

QCoro::Task<> QtAudioInput::start(Handler handler) {
    stop();
    if (device_.isNull()) throw UserError(describe(QAudio::OpenError));
    if (!capture_) capture_ = new Capture;

    auto gate = std::make_shared<Gate>();
    gate->handler = std::move(handler);
    gate->sampleFormat = format_.sampleFormat();
    const int sampleBytes = format_.bytesPerSample();
    // Server fragments of about the length read below.
    const qsizetype bufferBytes =
        qsizetype(format_.bytesPerFrame()) * std::max(1, format_.sampleRate() * pollMs / 1000);

    // The gate is open from here on, so the first buffers the stream delivers reach the handler even
    // before the answer below is in; a stop meanwhile closes it and ends the opening.
    auto opening = std::make_shared<Opening>();
    gate_ = gate;
    opening_ = opening;
    QPointer<QtAudioInput> self(this);
    Capture* capture = capture_;
    const QAudioDevice device = device_;
    const QAudioFormat format = format_;
    QMetaObject::invokeMethod(
        capture->context,
        [capture, gate, opening, self, device, format, sampleBytes, bufferBytes] {
            capture->stopSource();
            // Whole samples are handed on through the gate; a trailing partial sample waits for the next.
            auto pending = std::make_shared<QByteArray>();
            auto deliver = [gate, pending, sampleBytes](const QByteArray& data) {
                pending->append(data);
                const qsizetype whole = pending->size() / sampleBytes * sampleBytes;
                if (whole == 0) return;
                std::lock_guard lock(gate->mutex);
                if (gate->handler) {
                    Buffer buffer;
                    if (gate->sampleFormat == QAudioFormat::Float) {
                        std::vector<float> samples(size_t(whole) / sizeof(float));
                        std::memcpy(samples.data(), pending->constData(), size_t(whole));
                        buffer.floats = samples;
                        gate->handler(buffer);
                    } else {
                        std::vector<std::int16_t> samples(size_t(whole) / sizeof(std::int16_t));
                        std::memcpy(samples.data(), pending->constData(), size_t(whole));
                        buffer.ints = samples;
                        gate->handler(buffer);
                    }
                }
                pending->remove(0, whole);
            };
            capture->source = new QAudioSource(device, format);
            capture->source->setBufferSize(bufferBytes);
            QAudioSource* source = capture->source;
            QObject::connect(source, &QAudioSource::stateChanged, capture->context,
                             [source, self](QAudio::State state) {
                                 // The device went away under us (our own stop ends without an error).
                                 if (state == QAudio::StoppedState && source->error() != QAudio::NoError)
                                     QMetaObject::invokeMethod(
                                         QCoreApplication::instance(),
                                         [self] {
                                             if (self) self->changed();
                                         },
                                         Qt::QueuedConnection);
                             });
            QIODevice* stream = capture->source->start();
            const QAudio::Error error = capture->source->error();
            QString failure;
            if (!stream || error != QAudio::NoError || capture->source->state() == QAudio::StoppedState) {
                capture->stopSource();
                failure = describe(error);
            } else {
                // Qt collects the stream's audio only once per server fragment, which the server may make
                // far longer than asked (over 100 ms), so the end of a take would come in after its tail.
                // Reading it every 20 ms (about 1024 frames at 48 kHz) bounds that delay.
                capture->poll = new QTimer(capture->context);
                capture->poll->setTimerType(Qt::PreciseTimer);
                QObject::connect(capture->poll, &QTimer::timeout, capture->context,
                                 [stream, deliver] { deliver(stream->readAll()); });
                capture->poll->start(pollMs);
            }
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [opening, failure] {
                    opening->settle(failure.isEmpty() ? Opening::running : Opening::failed, failure);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);

    Scheduler& scheduler = scheduler_; // `this` may be gone after the wait
    const Scheduler::TimerId deadline =
        scheduler.after(startTimeoutMs / 1000.0, [opening] { opening->settle(Opening::timedOut); });
    Opening::Wait answer{opening};
    co_await answer;
    scheduler.cancel(deadline);
    // Gone, stopped or started again meanwhile: that stop closed the gate and ended the stream.
    if (!self || opening->outcome == Opening::stopped) co_return;
    opening_.reset();
    if (opening->outcome == Opening::running) {
        inUse_ = device_;
        watcher_ = std::make_unique<PulseWatcher>([self] {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self] {
                    if (self) self->devicesChanged(0);
                },
                Qt::QueuedConnection);
        });
        co_return;
    }
    gate->close();
    gate_.reset();
    if (opening->outcome == Opening::timedOut) {
        // The sound server did not answer: give up on this thread and its stream.
        Capture::retire(capture_, 0);
        capture_ = nullptr;
        throw UserError(QStringLiteral("麦克风打不开：声音服务没有响应"));
    }
    throw UserError(opening->failure);
}

void QtAudioInput::stop() {
    if (!gate_) return;
    if (const auto opening = std::exchange(opening_, nullptr);
        opening && opening->outcome == Opening::pending) {
        // Decided now, so a report already on its way changes nothing; the opening coroutine resumes from
        // the loop, not from inside this stop.
        opening->outcome = Opening::stopped;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [opening] { opening->wake(); }, Qt::QueuedConnection);
    }
    watcher_.reset();
    gate_->close();
    gate_.reset();
    inUse_ = {};
    if (capture_) {
        Capture* capture = capture_;
        QMetaObject::invokeMethod(
            capture->context, [capture] { capture->stopSource(); }, Qt::QueuedConnection);
    }
}

void QtAudioInput::devicesChanged(int attempt) {
    if (!gate_) return;
    const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    const auto name = PulseDefaultSource::name();
    if (!name) {
        if (!inputs.contains(inUse_)) changed();
        return;
    }
    if (*name == QString::fromUtf8(inUse_.id())) return; // still on the system's input
    const bool listed = std::any_of(inputs.begin(), inputs.end(),
                                    [&](const QAudioDevice& d) { return d.id() == name->toUtf8(); });
    if (listed) {
        changed();
    } else if (attempt < 10) {
        // Qt learns of a new device a moment after the server tells us; switch once it can open it.
        QPointer<QtAudioInput> self(this);
        scheduler_.after(0.2, [self, attempt] {
            if (self) self->devicesChanged(attempt + 1);
        });
    } else if (!inputs.contains(inUse_)) {
        changed();
    }
}

void QtAudioInput::changed() {
    if (gate_ && onChange_) onChange_();
}

} // namespace mivora
