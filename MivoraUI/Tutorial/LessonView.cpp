#include "MivoraUI/Tutorial/LessonView.h"

#include "Memories/MemoryStore.h"
#include "MivoraUI/Kit/KeyCombo.h"
#include "MivoraUI/Kit/LayerEffect.h"
#include "MivoraUI/Kit/PracticeField.h"
#include "MivoraUI/Kit/PrimaryButton.h"
#include "MivoraUI/Kit/StyledLabel.h"
#include "MivoraUI/Kit/SuccessBadge.h"
#include "MivoraUI/Kit/SymbolView.h"
#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Model/AppModel.h"
#include "MivoraUI/Tutorial/DemoStage.h"
#include "MivoraUI/Tutorial/LessonExamples.h"
#include "MivoraUI/Tutorial/MemoryHint.h"
#include "MivoraUI/Tutorial/TagLabel.h"
#include "Support/Clock.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QVBoxLayout>

namespace mivora {

namespace {

constexpr int column = 330;

QLabel* label(const QString& text, const QFont& font, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setFont(font);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    return l;
}

// Secondary text takes its colour from the palette each time it is drawn, so it stays readable in either
// appearance and follows a switch while the lesson is open.
QLabel* secondaryLabel(const QString& text, double size, QWidget* parent) {
    auto* l = new StyledLabel(text, size, QFont::Normal, StyledLabel::Style::secondary, 0, parent);
    l->setWordWrap(true);
    return l;
}

bool isReturn(const QKeyEvent* key) {
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
           (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

LessonView::LessonView(AppModel& model, Lesson lesson, bool compact, std::function<void()> onNext,
                       QWidget* parent)
    : QWidget(parent), model_(model), lesson_(lesson), onNext_(std::move(onNext)),
      hotkey_(model.hotkeyName()), since_(model.environment().clock.now()) {
    const AppModel::Environment& env = model.environment();
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(28, 28, 28, 28);
    row->setSpacing(36);
    row->addStretch(1);

    stage_ = new DemoStage(lesson, UI::reduceMotion(env.defaults), hotkey_, env.scheduler, env.clock, this);
    stage_->setFixedWidth(column);
    row->addWidget(stage_, 0, Qt::AlignVCenter);

    auto* right = new QWidget(this);
    right->setFixedWidth(column);
    auto* stack = new QVBoxLayout(right);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(16);
    stack->addWidget(makeHeader());
    stack->addWidget(makeSteps());
    if (lesson != Lesson::dictate) {
        hint_ = new MemoryHint(model.memories(), env.clock, right);
        connect(hint_, &MemoryHint::addRequested, this, [this] {
            model_.finishWelcomeIfNeeded();
            model_.open(AppModel::Section::memories);
        });
        stack->addWidget(hint_);
    }
    practice_ = new PracticeField(env.scheduler, QString(), 64, right);
    practice_->editor()->installEventFilter(this);
    stack->addWidget(practice_);

    auto* outcome = new QWidget(right);
    auto* cell = new QGridLayout(outcome);
    cell->setContentsMargins(0, 0, 0, 0);
    if (!compact) {
        tips_ = makeTips();
        cell->addWidget(tips_, 0, 0, Qt::AlignTop);
    }
    success_ = makeSuccess();
    success_->hide();
    cell->addWidget(success_, 0, 0, Qt::AlignTop);
    // The column is centred: the cell keeps the room of both rows whichever shows, so nothing above it moves
    // when the success row takes the tips' place (or, without tips, appears where nothing was).
    for (QWidget* shown : {tips_, success_}) {
        if (!shown) continue;
        QSizePolicy policy = shown->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        shown->setSizePolicy(policy);
    }
    stack->addWidget(outcome);
    row->addWidget(right, 0, Qt::AlignVCenter);
    row->addStretch(1);

    connect(&outcome_, &QVariantAnimation::valueChanged, this, &LessonView::poseOutcome);
    connect(&outcome_, &QAbstractAnimation::finished, this, [this] {
        // Settled, both draw without their effects.
        if (tips_) tips_->hide();
        success_->setGraphicsEffect(nullptr);
    });
    connect(&model.memories(), &MemoryStore::memoriesChanged, this, &LessonView::refreshPlaceholder);
    connect(&model, &AppModel::lastSuccessChanged, this, &LessonView::judge);
    refreshPlaceholder();
    judge();
}

QWidget* LessonView::makeHeader() {
    auto* header = new QWidget;
    header->setObjectName(QStringLiteral("lessonHeader"));
    auto* h = new QHBoxLayout(header);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(10);
    h->addWidget(label(Lessons::title(lesson_), UI::font(22, QFont::DemiBold), header), 0, Qt::AlignVCenter);
    h->addWidget(new KeyCombo(Lessons::keys(lesson_, hotkey_), header), 0, Qt::AlignVCenter);
    h->addStretch(1);
    return header;
}

QWidget* LessonView::makeSteps() {
    auto* steps = new QWidget;
    auto* v = new QVBoxLayout(steps);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(9);
    int n = 0;
    for (const QString& text : Lessons::steps(lesson_, hotkey_)) {
        auto* h = new QHBoxLayout;
        h->setSpacing(10);
        auto* number = new TagLabel(QString::number(++n), UI::font(11, QFont::Bold), 0.07, QMargins(), steps);
        number->setFixedSize(20, 20);
        h->addWidget(number, 0, Qt::AlignTop);
        h->addWidget(label(text, UI::font(13), steps), 1, Qt::AlignVCenter);
        v->addLayout(h);
    }
    return steps;
}

QWidget* LessonView::makeTips() {
    auto* tips = new QWidget;
    auto* v = new QVBoxLayout(tips);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(5);
    for (const QString& text : Lessons::tips(lesson_, hotkey_)) {
        auto* h = new QHBoxLayout;
        h->setSpacing(6);
        h->addWidget(SymbolView::secondary(QStringLiteral("sparkle"), 11.5, 1.0, tips), 0, Qt::AlignTop);
        h->addWidget(secondaryLabel(text, 11.5, tips), 1);
        v->addLayout(h);
    }
    return tips;
}

QWidget* LessonView::makeSuccess() {
    auto* success = new QWidget;
    auto* h = new QHBoxLayout(success);
    h->setContentsMargins(0, 0, 0, 0);
    badge_ = new SuccessBadge(QStringLiteral("做到了！"), success);
    badge_->setAccessibleName(badge_->text()); // what a screen reader (and the desktop test) reads
    h->addWidget(badge_, 0, Qt::AlignVCenter);
    h->addStretch(1);
    if (onNext_) {
        auto* next = new PrimaryButton(QStringLiteral("下一步"), success);
        next->setObjectName(QStringLiteral("next"));
        connect(next, &QAbstractButton::clicked, this, &LessonView::goNext);
        // The window's default action: Return reaches it wherever the focus is (the practice field
        // passes it on below).
        for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
            auto* shortcut = new QShortcut(key, next);
            shortcut->setContext(Qt::WindowShortcut);
            connect(shortcut, &QShortcut::activated, this, &LessonView::goNext);
        }
        h->addWidget(next, 0, Qt::AlignVCenter);
        next_ = next;
    }
    return success;
}

QString LessonView::placeholder() const {
    const QString example = LessonExamples::exampleTitle(model_.memories(), model_.environment().clock.now());
    return LessonExamples::placeholder(lesson_, hotkey_, example);
}

void LessonView::refreshPlaceholder() {
    practice_->editor()->setPlaceholderText(placeholder());
}

void LessonView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) since_ = model_.environment().clock.now();
}

// A success of this lesson strictly later than `since` completes it, once.
void LessonView::judge() {
    const auto success = model_.lastSuccess();
    if (!success || success->lesson != lesson_ || !(success->at > since_) || done_) return;
    complete();
}

// The tips fade out while the badge's row fades in, growing from 90 % at its leading edge.
void LessonView::complete() {
    done_ = true;
    if (tips_) tips_->setGraphicsEffect(new LayerEffect(tips_));
    success_->setGraphicsEffect(new LayerEffect(success_));
    poseOutcome();
    success_->show();
    outcome_.springTo(1.0, UI::snappy);
}

void LessonView::poseOutcome() {
    const double p = outcome_.value().toDouble();
    if (tips_)
        if (auto* look = qobject_cast<LayerEffect*>(tips_->graphicsEffect()))
            look->setLook({0, std::clamp(1 - p, 0.0, 1.0), 1, {0.5, 0.5}, {}});
    if (auto* look = qobject_cast<LayerEffect*>(success_->graphicsEffect()))
        look->setLook({0, std::clamp(p, 0.0, 1.0), 0.9 + 0.1 * p, {0, 0.5}, {}});
}

void LessonView::goNext() {
    if (done_ && onNext_) onNext_();
}

bool LessonView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == practice_->editor() && event->type() == QEvent::KeyPress && done_ && onNext_ &&
        isReturn(static_cast<QKeyEvent*>(event))) {
        goNext();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace mivora
