#include "MivoraUI/HUD/HUDPill.h"

#include "MivoraUI/HUD/ChoiceList.h"
#include "MivoraUI/HUD/LevelRow.h"
#include "MivoraUI/HUD/NoticeRow.h"
#include "MivoraUI/Kit/LayerEffect.h"
#include "MivoraUI/Kit/SymbolView.h"

#include <QPainter>
#include <QResizeEvent>

namespace mivora {

namespace {

constexpr int hPadding = 16;
constexpr int minHeight = 40;
constexpr int choicePadding = 12;
constexpr double radius = 20;
constexpr Spring contentSpring{0.36, 0.86};

} // namespace

HUDPill::HUDPill(const VoicePhase& phase, VoiceMode mode, float level, const HUDOptions& options,
                 QWidget* parent)
    : QWidget(parent), phase_(phase), mode_(mode), level_(level), options_(options),
      key_(animationKey(phase)), kind_(kindOf(phase)) {
    setAttribute(Qt::WA_TranslucentBackground);
    content_ = makeContent();
    updateContent();
    size_.jumpTo(QSizeF(sizeHint()));
    resize(sizeHint());
    // A spring passes its target: the pill never grows wider than the window that hosts it.
    connect(&size_, &QVariantAnimation::valueChanged, this,
            [this] { resize(size_.value().toSizeF().toSize().boundedTo(QSize(maxWidth, QWIDGETSIZE_MAX))); });
}

QColor HUDPill::fill() {
    return QColor::fromRgbF(0.1f, 0.1f, 0.11f);
}

QString HUDPill::animationKey(const VoicePhase& phase) {
    using K = VoicePhase::Kind;
    switch (phase.kind) {
    case K::listening:
        return phase.handsFree ? QStringLiteral("free") : QStringLiteral("listen");
    case K::notice:
        return QStringLiteral("n:") + phase.text;
    case K::choosing:
        return QStringLiteral("c:") + phase.armed.value_or(QString());
    case K::idle:
        return QStringLiteral("idle");
    case K::processing:
        return QStringLiteral("proc");
    case K::done:
        return QStringLiteral("done");
    }
    return {};
}

HUDPill::Kind HUDPill::kindOf(const VoicePhase& phase) {
    using K = VoicePhase::Kind;
    switch (phase.kind) {
    case K::listening:
    case K::processing:
        return Kind::level;
    case K::notice:
        return Kind::notice;
    case K::choosing:
        return Kind::choices;
    case K::done:
        return Kind::done;
    case K::idle:
        return Kind::idle;
    }
    return Kind::idle;
}

QWidget* HUDPill::makeContent() {
    QWidget* w = nullptr;
    switch (kind_) {
    case Kind::idle:
        w = new QWidget(this);
        w->setFixedSize(96, 28);
        break;
    case Kind::level:
        w = new LevelRow(options_, this);
        break;
    case Kind::done: {
        auto* tick = new SymbolView(QStringLiteral("checkmark"), 15, Qt::white, 1.4, this);
        tick->setFixedSize(24, 18);
        if (!options_.reduceMotion) tick->bounce();
        w = tick;
        break;
    }
    case Kind::choices:
        w = new ChoiceList(phase_.choices, phase_.armed, this);
        break;
    case Kind::notice:
        w = new NoticeRow(phase_.text, phase_.isError, maxWidth - 2 * hPadding, this);
        break;
    }
    w->setAttribute(Qt::WA_TranslucentBackground);
    w->show();
    return w;
}

// Brings the current content up to date with the phase without replacing it.
void HUDPill::updateContent() {
    if (auto* row = qobject_cast<LevelRow*>(content_.data())) {
        const bool listening = phase_.is(VoicePhase::Kind::listening);
        row->set(listening && phase_.handsFree, mode_ == VoiceMode::recall,
                 listening ? BarsMode::listen : BarsMode::think, listening ? level_ : 0.0f);
    } else if (auto* list = qobject_cast<ChoiceList*>(content_.data())) {
        list->setChoices(phase_.choices, phase_.armed);
    }
    centre(content_);
}

void HUDPill::setHotkey(const QString& hotkey) {
    if (options_.hotkey == hotkey) return;
    options_.hotkey = hotkey;
    auto* row = qobject_cast<LevelRow*>(content_.data());
    if (!row) return;
    const QSize before = sizeHint();
    row->setHotkey(hotkey);
    centre(row);
    if (sizeHint() != before) size_.jumpTo(QSizeF(sizeHint()));
}

void HUDPill::setState(const VoicePhase& phase, VoiceMode mode, float level) {
    const QString key = animationKey(phase);
    const bool sameKind = kindOf(phase) == kind_ && kind_ != Kind::notice;
    phase_ = phase;
    mode_ = mode;
    level_ = level;
    if (key == key_ || sameKind) {
        const QSize before = sizeHint();
        updateContent();
        if (sizeHint() != before) {
            if (key == key_)
                size_.jumpTo(QSizeF(sizeHint()));
            else
                runMotion(size_, QSizeF(sizeHint()));
        }
        key_ = key;
        return;
    }
    key_ = key;
    kind_ = kindOf(phase);
    swapContent();
    runMotion(size_, QSizeF(sizeHint()));
}

void HUDPill::animate(SpringAnimation& animation, const QVariant& target, bool reduceMotion) {
    if (reduceMotion)
        animation.easeTo(target, 0.16);
    else
        animation.springTo(target, contentSpring);
}

// Runs the blur-fade of `w` from `from` to `to`; the animation belongs to the widget.
SpringAnimation* HUDPill::blurFade(QWidget* w, double from, double to) {
    auto* effect = new LayerEffect(w);
    effect->setLook(LayerEffect::blurFade(from));
    w->setGraphicsEffect(effect);
    auto* fade = new SpringAnimation(from, w);
    connect(fade, &QVariantAnimation::valueChanged, effect,
            [effect, fade] { effect->setLook(LayerEffect::blurFade(fade->value().toDouble())); });
    runMotion(*fade, to);
    return fade;
}

// The old content blur-fades out and goes; the new one blur-fades in.
void HUDPill::swapContent() {
    if (QWidget* old = content_)
        connect(blurFade(old, 1, 0), &QAbstractAnimation::finished, old, &QObject::deleteLater);
    QWidget* fresh = makeContent();
    content_ = fresh;
    updateContent();
    // Once in, the content draws without the effect.
    connect(blurFade(fresh, 0, 1), &QAbstractAnimation::finished, fresh,
            [fresh] { fresh->setGraphicsEffect(nullptr); });
}

QSize HUDPill::sizeHint() const {
    const QSize c = content_ ? content_->size() : QSize(96, 28);
    const int vPad = kind_ == Kind::choices ? choicePadding : 0;
    return {std::min(maxWidth, c.width() + 2 * hPadding), std::max(minHeight, c.height()) + 2 * vPad};
}

void HUDPill::centre(QWidget* w) {
    if (!w) return;
    const QSize s = w->size();
    w->move((width() - s.width()) / 2, (height() - s.height()) / 2);
}

void HUDPill::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        centre(child);
}

void HUDPill::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill());
    painter.drawRoundedRect(r, radius, radius);
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.1f), 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(r.adjusted(0.25, 0.25, -0.25, -0.25), radius - 0.25, radius - 0.25);
}

} // namespace mivora
