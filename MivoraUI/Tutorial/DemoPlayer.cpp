#include "MivoraUI/Tutorial/DemoPlayer.h"

#include "Support/Text.h"

namespace mivora {

namespace {

VoicePhase phase(VoicePhase::Kind kind) {
    switch (kind) {
    case VoicePhase::Kind::listening:
        return VoicePhase::listening(false);
    case VoicePhase::Kind::processing:
        return VoicePhase::processing();
    case VoicePhase::Kind::done:
        return VoicePhase::done();
    default:
        return VoicePhase::idle();
    }
}

} // namespace

DemoPlayer::DemoPlayer(Scheduler& scheduler, std::function<bool()> visible, QObject* parent)
    : QObject(parent), scheduler_(scheduler), visible_(std::move(visible)) {}

DemoPlayer::~DemoPlayer() {
    stop();
}

void DemoPlayer::stop() {
    scheduler_.cancel(timer_);
    timer_ = 0;
}

void DemoPlayer::play(Lesson lesson, bool reduceMotion) {
    stop();
    if (reduceMotion) {
        text_ = DemoScript::endText(lesson);
        fadeFrom_ = -1;
        emit changed();
        return;
    }
    rows_ = &DemoScript::cycle(lesson);
    row_ = 0;
    typed_ = -1;
    run();
}

// Goes through the rows from where the script stands until the next pause; after the last row the cycle
// starts over (its first row always pauses, so this ends).
void DemoPlayer::run() {
    for (;;) {
        if (row_ == rows_->size()) row_ = 0;
        const DemoScript::Row& row = (*rows_)[row_];
        if (typed_ < 0) {
            apply(row);
            typed_ = 0;
            characters_ = row.type ? Text::graphemes(QString::fromUtf8(row.type)) : QStringList();
            emit changed();
        }
        if (typed_ < characters_.size()) {
            text_ += characters_[typed_++];
            fadeFrom_ = -1;
            emit changed();
            wait(row.speed);
            return;
        }
        ++row_;
        typed_ = -1;
        if (row.pause > 0) {
            wait(row.pause);
            return;
        }
    }
}

void DemoPlayer::apply(const DemoScript::Row& row) {
    if (row.fn) fn_ = *row.fn;
    if (row.shift) shift_ = *row.shift;
    if (row.tab) tab_ = *row.tab;
    if (row.chip) chip_ = *row.chip;
    if (row.hud) hud_ = phase(*row.hud);
    if (row.text) {
        const QString text = QString::fromUtf8(row.text);
        const qsizetype from = row.append ? text_.size() : 0;
        text_ = row.append ? text_ + text : text;
        fadeFrom_ = row.animated ? from : -1;
        if (row.animated) emit textFaded();
    }
}

void DemoPlayer::wait(double seconds) {
    timer_ = scheduler_.after(seconds, [this] { paused(); });
}

// A pause has run its length: hold while the window cannot be seen, then go on.
void DemoPlayer::paused() {
    timer_ = 0;
    if (!visible_()) {
        timer_ = scheduler_.after(holdPoll, [this] { paused(); });
        return;
    }
    run();
}

} // namespace mivora
