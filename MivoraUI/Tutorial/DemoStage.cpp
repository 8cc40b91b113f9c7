#include "MivoraUI/Tutorial/DemoStage.h"

#include "MivoraUI/HUD/HUDPill.h"
#include "MivoraUI/HUD/LevelRow.h"
#include "MivoraUI/HUD/VoiceBars.h"
#include "MivoraUI/Kit/KeyCap.h"
#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Kit/WindowVisible.h"
#include "MivoraUI/Suggest/SuggestChip.h"
#include "MivoraUI/Tutorial/DemoClock.h"
#include "Support/Clock.h"

#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

#include <algorithm>

namespace mivora {

namespace {

constexpr double gap = 18;        // between the window and the key caps
constexpr double capsHeight = 32; // a key cap and its base
constexpr double capSpacing = 8;
constexpr double windowRadius = 12;
constexpr double titleBar = 27; // three 7-point dots padded by 10
constexpr double areaPadding = 12;
constexpr double rowSpacing = 6;
constexpr double fieldPadding = 8;
constexpr double fieldMinHeight = 40;
constexpr double fieldRadius = 7;
constexpr double hudRowHeight = 44;
constexpr double hudBottom = 4;
constexpr double caretWidth = 1.5;
constexpr double caretHeight = 16;
constexpr double frameInterval = 1.0 / 60;

QFont textFont() {
    return UI::font(13);
}

QFont labelFont() {
    return UI::font(10, QFont::Medium);
}

QColor faded(QColor color, double opacity) {
    color.setAlphaF(float(color.alphaF() * opacity));
    return color;
}

} // namespace

DemoStage::DemoStage(Lesson lesson, bool reduceMotion, const QString& hotkey, Scheduler& scheduler,
                     const Clock& clock, QWidget* parent)
    : QWidget(parent), lesson_(lesson), reduceMotion_(reduceMotion), hotkey_(hotkey), scheduler_(scheduler),
      clock_(clock), player_(scheduler, [this] { return seen(); }),
      caret_(scheduler, clock, [this] { return seen(); }) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    // The pill and the chip are never shown as widgets of their own: the stage draws them scaled into the
    // mock window, so they take no part in the page's own transitions.
    pill_ = new HUDPill(VoicePhase::idle(), VoiceMode::dictate, 0, HUDOptions{reduceMotion, hotkey}, this);
    pill_->hide();
    chip_ = new SuggestChip(this);
    chip_->setOffer(DemoScript::offer());
    chip_->hide();

    makeCaps();

    connect(&player_, &DemoPlayer::changed, this, &DemoStage::follow);
    connect(&player_, &DemoPlayer::textFaded, this, [this] {
        textFade_.jumpTo(0.0);
        textFade_.springTo(1.0, UI::smooth);
    });
    connect(&caret_, &Caret::changed, this, qOverload<>(&QWidget::update));
    connect(&textFade_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
    connect(&pillShown_, &QVariantAnimation::valueChanged, this, [this] {
        updateFrames();
        update(hudRow().toAlignedRect());
    });
    connect(&chipShown_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

DemoStage::~DemoStage() {
    scheduler_.cancel(frames_);
}

QSize DemoStage::sizeHint() const {
    return QSize(330, int(windowSize.height() + gap + capsHeight));
}

void DemoStage::setLesson(Lesson lesson) {
    if (lesson == lesson_) return;
    lesson_ = lesson;
    makeCaps();
    if (started_) player_.play(lesson_, reduceMotion_);
    update();
}

QString DemoStage::label() const {
    return lesson_ == Lesson::recall ? QStringLiteral("收货信息") : QStringLiteral("消息");
}

// The window can be seen and the stage is on it.
bool DemoStage::seen() const {
    return isVisible() && WindowVisible::of(this);
}

void DemoStage::makeCaps() {
    for (const Cap& key : keys_)
        delete key.cap;
    keys_.clear();
    caps_.clear();
    // The hotkey's cap carries the globe only when it really is the Fn key.
    const bool realFn = hotkey_ == QStringLiteral("Fn");
    const QString hotLabel = realFn ? QStringLiteral("fn") : hotkey_;
    const QString hotSymbol = realFn ? QStringLiteral("globe") : QString();
    const double textWidth = QFontMetricsF(UI::font(12, QFont::DemiBold)).horizontalAdvance(hotLabel);
    const double hotWidth = std::max(54.0, std::ceil(textWidth + (realFn ? 15 : 0) + 20));
    auto add = [this](const QString& label, const QString& symbol, double width,
                      bool (DemoPlayer::*flag)() const) {
        auto* cap = new KeyCap(label, symbol, width, false, false, this);
        cap->show();
        keys_.push_back({cap, flag});
        caps_.push_back(cap);
    };
    switch (lesson_) {
    case Lesson::dictate:
        add(hotLabel, hotSymbol, hotWidth, &DemoPlayer::fn);
        break;
    case Lesson::recall:
        add(QStringLiteral("shift"), QStringLiteral("shift"), 70, &DemoPlayer::shift);
        add(hotLabel, hotSymbol, hotWidth, &DemoPlayer::fn);
        break;
    case Lesson::typing:
        add(QStringLiteral("tab"), QStringLiteral("arrow.right.to.line"), 64, &DemoPlayer::tab);
        break;
    }
    placeChildren();
}

QRectF DemoStage::windowRect() const {
    const double total = windowSize.height() + gap + capsHeight;
    return QRectF((width() - windowSize.width()) / 2.0, std::max(0.0, (height() - total) / 2),
                  windowSize.width(), windowSize.height());
}

// Lays the field's text out for its width; returns the height of the text.
double DemoStage::layoutText(QTextLayout& layout) const {
    const double width = windowSize.width() - 2 * areaPadding - 2 * fieldPadding;
    layout.setText(player_.text());
    layout.setFont(textFont());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    double y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        // Room for the caret after the last character.
        line.setLineWidth(width - caretWidth);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return std::max(y, QFontMetricsF(textFont()).height());
}

QRectF DemoStage::fieldRect() const {
    QTextLayout layout;
    const double textHeight = layoutText(layout);
    const QRectF w = windowRect();
    const double top =
        w.top() + titleBar + 1 + areaPadding + QFontMetricsF(labelFont()).height() + rowSpacing;
    return QRectF(w.left() + areaPadding, top, w.width() - 2 * areaPadding,
                  std::max(fieldMinHeight, textHeight + 2 * fieldPadding));
}

void DemoStage::placeChildren() {
    const QRectF w = windowRect();
    double total = -capSpacing;
    for (KeyCap* cap : caps_)
        total += cap->sizeHint().width() + capSpacing;
    double x = w.center().x() - total / 2;
    for (KeyCap* cap : caps_) {
        cap->setGeometry(QRect(QPoint(int(std::round(x)), int(w.bottom() + gap)), cap->sizeHint()));
        x += cap->sizeHint().width() + capSpacing;
    }
}

// Centred in the window's bottom row, scaled to 0.72 about its centre; coming and going it fades and grows
// from 0.85 anchored at its bottom.
QRectF DemoStage::pillRect() const {
    const QRectF w = windowRect();
    const QPointF centre(w.center().x(), hudRow().center().y());
    const QSizeF size = QSizeF(pill_->size()) * pillScale * pillEnter();
    const double drop = (1 - pillEnter()) * pill_->height() / 2;
    return QRectF(centre.x() - size.width() / 2, centre.y() - size.height() / 2 + drop, size.width(),
                  size.height());
}

double DemoStage::pillEnter() const {
    return 0.85 + 0.15 * std::clamp(pillShown(), 0.0, 1.2);
}

// Laid over the field's bottom left, scaled to 0.82 about its top left and moved 8 right and 30 down, so it
// hangs under the field as the real strip hangs under a caret; coming and going it fades and slides 4
// points.
QRectF DemoStage::chipRect() const {
    const QRectF field = fieldRect();
    const double slide = -4 * (1 - std::clamp(chipShown(), 0.0, 1.0));
    const QSizeF size = QSizeF(chip_->size()) * chipScale;
    return QRectF(QPointF(field.left() + 8, field.bottom() - chip_->height() + 30 + slide), size);
}

// Brings the key caps, the pill and the chip to what the player holds.
void DemoStage::follow() {
    for (const Cap& key : keys_) {
        const bool on = (player_.*key.flag)();
        key.cap->setDown(on);
        key.cap->setHighlight(on);
    }
    const bool hud = !player_.hud().is(VoicePhase::Kind::idle);
    if (hud) {
        feedPill();
        if (!pillIn_) {
            pillIn_ = true;
            pillShown_.springTo(1.0, UI::smooth);
        }
    } else if (pillIn_) {
        // The pill leaves showing its last phase.
        pillIn_ = false;
        pillShown_.springTo(0.0, UI::smooth);
    }
    updateFrames();
    if (player_.chip() != chipIn_) {
        chipIn_ = player_.chip();
        chipShown_.springTo(chipIn_ ? 1.0 : 0.0, UI::smooth);
    }
    update();
}

bool DemoStage::pillUp() const {
    return pillIn_ || (pillShown_.state() == QAbstractAnimation::Running && pillShown() > 0);
}

bool DemoStage::chipUp() const {
    return chipIn_ || (chipShown_.state() == QAbstractAnimation::Running && chipShown() > 0);
}

// One frame of the miniature pill: the made-up level and a step of its bars.
void DemoStage::feedPill() {
    const VoiceMode mode = lesson_ == Lesson::recall ? VoiceMode::recall : VoiceMode::dictate;
    const double t = DemoClock::seconds(clock_);
    if (pillIn_) pill_->setState(player_.hud(), mode, DemoClock::level(t));
    if (auto* row = qobject_cast<LevelRow*>(pill_->content())) row->bars()->advance(clock_.uptime() + 1);
    update(hudRow().toAlignedRect());
}

QRectF DemoStage::hudRow() const {
    const QRectF w = windowRect();
    return QRectF(w.left(), w.bottom() - hudBottom - hudRowHeight, w.width(), hudRowHeight);
}

// The pill is redrawn at most 60 times a second while it is up and the window can be seen.
void DemoStage::updateFrames() {
    const bool run = pillUp() && seen();
    if (run && frames_ == 0) {
        frames_ = scheduler_.every(frameInterval, [this] { feedPill(); });
        feedPill();
    }
    if (!run && frames_ != 0) {
        scheduler_.cancel(frames_);
        frames_ = 0;
    }
}

void DemoStage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!started_) {
        started_ = true;
        player_.play(lesson_, reduceMotion_);
    }
    caret_.refresh();
    updateFrames();
}

void DemoStage::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    caret_.refresh();
    updateFrames();
}

void DemoStage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeChildren();
}

bool DemoStage::event(QEvent* event) {
    if (event->type() == WindowVisible::changedEvent()) {
        caret_.refresh();
        updateFrames();
    }
    return QWidget::event(event);
}

namespace {

// A rounded rectangle filled, with a one-pixel line drawn inside its edge.
void fillWithHairline(QPainter& painter, const QRectF& r, double radius, const QColor& fill,
                      const QColor& line) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(r, radius, radius);
    painter.setPen(QPen(line, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
}

} // namespace

void DemoStage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const QRectF w = windowRect();

    paintShadow(painter, w);
    fillWithHairline(painter, w, windowRadius, pal.color(QPalette::Window), UI::stroke(pal));

    // Title bar and divider.
    painter.setPen(Qt::NoPen);
    painter.setBrush(faded(UI::primary(pal), 0.15));
    for (int i = 0; i < 3; ++i)
        painter.drawEllipse(QRectF(w.left() + 10 + i * 12, w.top() + 10, 7, 7));
    painter.setBrush(faded(UI::primary(pal), 0.06));
    painter.drawRect(QRectF(w.left(), w.top() + titleBar, w.width(), 1));

    // The label above the field.
    painter.setFont(labelFont());
    painter.setPen(faded(UI::primary(pal), 0.3));
    const double labelTop = w.top() + titleBar + 1 + areaPadding;
    painter.drawText(QRectF(w.left() + areaPadding, labelTop, w.width() - 2 * areaPadding,
                            QFontMetricsF(labelFont()).height()),
                     Qt::AlignLeft | Qt::AlignVCenter, label());

    // The field, its text and the caret right after the last character.
    QTextLayout layout;
    const double textHeight = layoutText(layout);
    const QRectF field(w.left() + areaPadding, labelTop + QFontMetricsF(labelFont()).height() + rowSpacing,
                       w.width() - 2 * areaPadding, std::max(fieldMinHeight, textHeight + 2 * fieldPadding));
    fillWithHairline(painter, field, fieldRadius, pal.color(QPalette::Base), UI::stroke(pal));

    const QPointF origin = field.topLeft() + QPointF(fieldPadding, fieldPadding);
    const QColor ink = pal.color(QPalette::Text);
    QList<QTextLayout::FormatRange> formats;
    const qsizetype from = player_.fadeFrom();
    if (from >= 0 && from < player_.text().size()) {
        QTextLayout::FormatRange fading;
        fading.start = int(from);
        fading.length = int(player_.text().size() - from);
        fading.format.setForeground(faded(ink, std::clamp(textFade_.value().toDouble(), 0.0, 1.0)));
        formats << fading;
    }
    painter.setPen(ink);
    layout.draw(&painter, origin, formats);

    QPointF caretAt = origin;
    double lineHeight = QFontMetricsF(textFont()).height();
    if (layout.lineCount() > 0) {
        const QTextLine last = layout.lineAt(layout.lineCount() - 1);
        caretAt = origin + QPointF(last.cursorToX(int(player_.text().size())), last.y());
        lineHeight = last.height();
    }
    const QRectF caret(caretAt.x(), caretAt.y() + (lineHeight - caretHeight) / 2, caretWidth, caretHeight);
    painter.setPen(Qt::NoPen);
    painter.setBrush(faded(UI::accent(pal), std::clamp(caret_.opacity(), 0.0, 1.0)));
    painter.drawRect(caret);

    if (chipUp()) paintScaled(painter, chip_, chipRect(), chipShown());
    if (pillUp()) paintScaled(painter, pill_, pillRect(), pillShown());
}

// The window's shadow, drawn once into a picture and reused while the window keeps its size.
void DemoStage::paintShadow(QPainter& painter, const QRectF& window) {
    constexpr double blur = 18;
    const QPointF offset(0, 8);
    const qreal dpr = devicePixelRatioF();
    const QRectF area = window.adjusted(-blur, -blur, blur, blur).translated(offset);
    const QSize pixels = (area.size() * dpr).toSize();
    if (shadow_.size() != pixels || shadow_.devicePixelRatio() != dpr) {
        shadow_ = QPixmap(pixels);
        shadow_.setDevicePixelRatio(dpr);
        shadow_.fill(Qt::transparent);
        QPainter into(&shadow_);
        into.setRenderHint(QPainter::Antialiasing);
        UI::paintShadow(into, window.translated(-area.topLeft()), windowRadius, blur,
                        QColor::fromRgbF(0, 0, 0, 0.12f), offset);
    }
    painter.drawPixmap(area.topLeft(), shadow_);
}

// Draws `view` (a widget that is never shown itself) into `target` at `opacity`.
void DemoStage::paintScaled(QPainter& painter, QWidget* view, const QRectF& target, double opacity) {
    const double o = std::clamp(opacity, 0.0, 1.0);
    if (o <= 0 || view->size().isEmpty()) return;
    const qreal dpr = devicePixelRatioF();
    QPixmap pixmap(view->size() * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    {
        QPainter into(&pixmap);
        view->render(&into, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    painter.save();
    painter.setOpacity(o);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target, pixmap, QRectF(QPointF(), QSizeF(pixmap.size())));
    painter.restore();
}

} // namespace mivora
