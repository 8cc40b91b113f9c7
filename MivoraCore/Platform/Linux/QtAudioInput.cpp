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
#include <algorithm>

#include <cstring>
#include <future>
#include <mutex>
#include <stdexcept>
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

// Where QAudioSource writes the recorded bytes (on the capture thread): whole samples are handed on
// through the gate, a trailing partial sample waits for the next write.
class GateSink final : public QIODevice {
public:
    GateSink(std::function<void(const char*, qint64)> deliver) : deliver_(std::move(deliver)) {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override {
        deliver_(data, length);
        return length;
    }

private:
    std::function<void(const char*, qint64)> deliver_;
};

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

// The capture thread and the objects that live on it. Touched only on that thread, except for the
// thread object itself.
struct QtAudioInput::Capture {
    QThread thread;
    QObject* context = nullptr; // lives on the thread: queued work runs there
    QAudioSource* source = nullptr;
    GateSink* sink = nullptr;

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
        GateSink* oldSink = std::exchange(sink, nullptr);
        if (oldSource) {
            oldSource->stop();
            delete oldSource;
        }
        delete oldSink;
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

void QtAudioInput::start(Handler handler) {
    stop();
    if (device_.isNull()) throw UserError(describe(QAudio::OpenError));
    if (!capture_) capture_ = new Capture;

    auto gate = std::make_shared<Gate>();
    gate->handler = std::move(handler);
    gate->sampleFormat = format_.sampleFormat();
    const int sampleBytes = format_.bytesPerSample();
    // 1024 frames per delivery, about 21 ms at 48 kHz.
    const qsizetype bufferBytes = qsizetype(format_.bytesPerFrame()) * 1024;

    auto result = std::make_shared<std::promise<QString>>();
    std::future<QString> answer = result->get_future();
    QPointer<QtAudioInput> self(this);
    Capture* capture = capture_;
    const QAudioDevice device = device_;
    const QAudioFormat format = format_;
    QMetaObject::invokeMethod(
        capture->context,
        [capture, gate, result, self, device, format, sampleBytes, bufferBytes] {
            capture->stopSource();
            auto pending = std::make_shared<QByteArray>();
            capture->sink = new GateSink([gate, pending, sampleBytes](const char* data, qint64 length) {
                pending->append(data, length);
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
            });
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
            capture->source->start(capture->sink);
            const QAudio::Error error = capture->source->error();
            if (error != QAudio::NoError || capture->source->state() == QAudio::StoppedState) {
                capture->stopSource();
                result->set_value(describe(error));
                return;
            }
            result->set_value(QString());
        },
        Qt::QueuedConnection);

    if (answer.wait_for(std::chrono::milliseconds(startTimeoutMs)) != std::future_status::ready) {
        // The sound server did not answer: give up on this thread and its stream.
        gate->close();
        Capture::retire(capture_, 0);
        capture_ = nullptr;
        throw UserError(QStringLiteral("麦克风打不开：声音服务没有响应"));
    }
    const QString failure = answer.get();
    if (!failure.isEmpty()) {
        gate->close();
        throw UserError(failure);
    }
    gate_ = std::move(gate);
    inUse_ = device_;
    watcher_ = std::make_unique<PulseWatcher>([self] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self] {
                if (self) self->devicesChanged(0);
            },
            Qt::QueuedConnection);
    });
}

void QtAudioInput::stop() {
    if (!gate_) return;
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
