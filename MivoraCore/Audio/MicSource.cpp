#include "Audio/MicSource.h"

#include "Platform/PlatformWords.h"

#include <QObject>
#include <QPointer>

#include <cmath>
#include <cstdlib>

namespace mivora {

namespace {
const QString noInputText = QStringLiteral("没有找到麦克风：在「") + PlatformWords::settingsApp() +
                            QStringLiteral(" → 声音 → 输入」里选一个麦克风");
} // namespace

MicSource::MicError::MicError(Kind kind) : UserError(noInputText), kind_(kind) {}

MicSource::MicSource(std::unique_ptr<AudioInput> input, Scheduler& scheduler)
    : input_(std::move(input)), scheduler_(scheduler), mainContext_(new QObject) {
    input_->setChangeHandler([this] { deviceChanged(); });
}

MicSource::~MicSource() {
    if (running_) input_->stop();
    input_->setChangeHandler(nullptr);
    delete mainContext_;
}

float MicSource::meterValue(float rms) {
    if (!(rms > 0)) return 0;
    const double value = (20.0 * std::log10(double(rms)) + 55.0) / 45.0;
    return float(std::max(0.0, std::min(1.0, value)));
}

QCoro::Task<> MicSource::start(std::function<void(float)> level) {
    // A take still running is abandoned first: its capture must stop before its resampler goes away.
    if (running_ || opening_) finish();
    {
        std::lock_guard lock(levelLock_);
        level_ = std::move(level);
    }
    {
        std::lock_guard lock(peakLock_);
        rawPeak_ = 0;
    }
    resampler_.reset();
    QCoro::Task<> opening = startEngine({});
    observing_ = true;
    opening_.emplace(open(std::move(opening), take_));
    return untilOpen();
}

// Both the caller of start and a stop wait for the one opening.
QCoro::Task<> MicSource::untilOpen() {
    co_await *opening_;
}

QCoro::Task<> MicSource::open(QCoro::Task<> opening, std::uint64_t take) {
    QPointer<QObject> alive(mainContext_);
    try {
        co_await opening;
    } catch (...) {
        // A device that never opened leaves the source idle, unless the take ended or the source went first.
        if (alive && take_ == take) finish();
        throw;
    }
}

QCoro::Task<> MicSource::startEngine(std::vector<std::int16_t> keeping) {
    if (running_) {
        input_->stop();
        running_ = false;
    }
    carried_.insert(carried_.end(), keeping.begin(), keeping.end());

    const AudioInput::Format format = input_->format();
    lastDiagnosis_ = QStringLiteral("输入 %1 声道 %2Hz")
                         .arg(format.channels)
                         .arg(std::isfinite(format.sampleRate) ? qint64(format.sampleRate) : 0);
    if (!(format.sampleRate > 0) || format.channels <= 0) throw MicError(MicError::noInput);
    auto resampler = Resampler::make(format.sampleRate, format.channels);
    if (!resampler) throw MicError(MicError::noInput);
    resampler_ = std::move(resampler);

    Resampler* current = resampler_.get();
    QCoro::Task<> opening =
        input_->start([this, current](const AudioInput::Buffer& buffer) { tap(*current, buffer); });
    running_ = true;
    return opening;
}

// On the capture thread. The input guarantees no call runs after its stop(), and the resampler of a
// capture is only replaced after that capture stopped.
void MicSource::tap(Resampler& resampler, const AudioInput::Buffer& buffer) {
    float peak = 0;
    for (float s : buffer.floats)
        peak = std::max(peak, std::fabs(s));
    for (std::int16_t s : buffer.ints)
        peak = std::max(peak, float(std::abs(int(s))) / 32768.0f);
    {
        std::lock_guard lock(peakLock_);
        rawPeak_ = std::max(rawPeak_, peak);
    }

    const float rms = buffer.ints.empty() ? resampler.append(buffer.floats) : resampler.append(buffer.ints);
    const float value = meterValue(rms);
    std::function<void(float)> level;
    {
        std::lock_guard lock(levelLock_);
        level = level_;
    }
    if (level)
        QMetaObject::invokeMethod(
            mainContext_, [level, value] { level(value); }, Qt::QueuedConnection);
}

void MicSource::deviceChanged() {
    if (!observing_) return;
    // Stop the capture before flushing: a buffer arriving during the flush would land in a resampler
    // whose samples were already taken, and be lost.
    if (running_) {
        input_->stop();
        running_ = false;
    }
    std::vector<std::int16_t> kept;
    if (resampler_) {
        resampler_->flush();
        kept = resampler_->takeSamples();
    }
    try {
        // Opens on its own; a device that fails to open records nothing more.
        startEngine(std::move(kept));
    } catch (...) {
        // The take keeps what it has and records nothing more.
    }
    lastDiagnosis_ += QStringLiteral(" · 录音中换了设备");
}

std::vector<std::int16_t> MicSource::finish() {
    ++take_;
    opening_.reset();
    observing_ = false;
    if (running_) {
        input_->stop();
        running_ = false;
    }
    std::vector<std::int16_t> result = std::move(carried_);
    carried_.clear();
    if (resampler_) {
        resampler_->flush();
        const auto rest = resampler_->takeSamples();
        result.insert(result.end(), rest.begin(), rest.end());
    }
    resampler_.reset();
    std::lock_guard lock(peakLock_);
    lastWasDigitalSilence_ = rawPeak_ == 0;
    return result;
}

QCoro::Task<AudioClip> MicSource::stop() {
    QPointer<QObject> alive(mainContext_);
    const std::uint64_t take = take_;
    if (opening_) co_await untilOpen(); // throws when the device never opened
    if (!alive || take_ != take) co_return AudioClip();
    auto tailEnds = scheduler_.sleep(tail); // the capture thread keeps receiving meanwhile
    co_await tailEnds;
    if (!alive || take_ != take) co_return AudioClip(); // cancelled meanwhile
    co_return AudioClip(finish());
}

void MicSource::cancel() {
    finish();
}

} // namespace mivora
