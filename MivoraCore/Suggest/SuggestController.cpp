#include "Suggest/SuggestController.h"

#include "Insertion/Inserting.h"
#include "Keys/KeyTap.h"
#include "Memories/MemoryStore.h"
#include "Platform/FrontApplication.h"
#include "Platform/KeyCodes.h"
#include "Support/Clock.h"
#include "Support/Defaults.h"
#include "Support/Text.h"

#include <array>
#include <memory>

namespace mivora {

namespace {

const QString logPrefix = QStringLiteral("打字触发：");
constexpr double offerLifetime = 6.0;
constexpr double debugLifetime = 8.0;
constexpr int maxChars = 24;
// More keys than a name's pinyin typed before a pause; a field unknown for longer is given up.
constexpr std::size_t maxHeld = 40;

// What a key typed, where it types a letter, a digit or a blank; nothing for any other key.
std::optional<QChar> typedBy(int code, bool shift, bool command) {
    if (command) return std::nullopt;
    if (const auto letter = PinyinBuffer::letter(code)) return shift ? letter->toUpper() : *letter;
    if (code == KeyCode::space) return QChar(' ');
    if (shift) return std::nullopt;
    constexpr std::array digits = {KeyCode::digit0, KeyCode::digit1, KeyCode::digit2, KeyCode::digit3,
                                   KeyCode::digit4, KeyCode::digit5, KeyCode::digit6, KeyCode::digit7,
                                   KeyCode::digit8, KeyCode::digit9};
    for (std::size_t i = 0; i < digits.size(); ++i)
        if (digits[i] == code) return QChar(char('0' + i));
    return std::nullopt;
}

} // namespace

SuggestController::SuggestController(Inserting& inserter, MemoryStore* memories, CaretReader& reader,
                                     FrontApplication& front, KeyTap& tap, Defaults& defaults,
                                     Scheduler& scheduler, Clock& clock, QObject* parent)
    : QObject(parent), inserter_(inserter), memories_(memories), reader_(reader), tap_(tap),
      defaults_(defaults), scheduler_(scheduler), clock_(clock) {
    read = [&reader] { return reader.read(maxChars); };
    modifiers = [&tap] {
        const std::uint64_t flags = tap.lastKeyFlags();
        return std::pair{(flags & KeyEvent::shiftFlag) != 0,
                         (flags & (KeyEvent::controlFlag | KeyEvent::optionFlag | KeyEvent::commandFlag)) !=
                             0};
    };
    frontApp = [&front] {
        const auto app = front.current();
        return app ? app->pid : qint64(0);
    };
    passwordField = [&reader] { return reader.focusIsPassword(); };
    inputMethod = [&reader] { return reader.inputMethodComposes(); };
    // Readings are worked out once per name; names that left the store are forgotten.
    if (memories)
        connect(memories, &MemoryStore::memoriesChanged, this,
                [this] { names_.retainNamesOf(memories_->memories()); });
}

SuggestController::~SuggestController() {
    scheduler_.cancel(pendingCheck_);
    tap_.setSwallowable(tapOwner, {});
}

bool SuggestController::handle(const KeyInput& input) {
    using Kind = KeyInput::Kind;
    if (input.kind == Kind::keyUp && swallowedUps_.erase(input.code) > 0) {
        announceKeys();
        return true;
    }
    if (offer_) {
        if (input.kind == Kind::keyDown &&
            (input.code == KeyCode::escape || (input.code == tab && input.bare))) {
            swallowedUps_.insert(input.code);
            if (input.code == tab)
                accept();
            else
                dismiss(true);
            announceKeys();
            return true;
        }
        // A key the source read before the field's text for this offer came is in what the offer was made
        // from: a busy program only gets to it now, and it ends nothing.
        const bool older =
            input.kind == Kind::keyDown && input.pressedAt > 0 && input.pressedAt < offerReadAt_;
        if ((input.kind == Kind::keyDown && !older) || input.kind == Kind::fnDown ||
            input.kind == Kind::mouseDown)
            dismiss(true);
    }
    switch (input.kind) {
    case Kind::keyDown: {
        if (input.isRepeat || !enabled()) return false;
        const qint64 app = frontApp();
        if (app != pinyinApp_) {
            pinyin_.reset();
            openBefore_.reset();
            pinyinApp_ = app;
            focusMoved_ = true;
            throughInputMethod_ = inputMethod();
        }
        // The field is looked at again only when the focus may have moved: a look costs a walk of the
        // application's accessible tree, too much for every key.
        if (focusMoved_) {
            focusMoved_ = false;
            secure_ = false;
            held_.reset();
            guardPassword();
        }
        focusMoved_ = input.code == tab || input.code == KeyCode::returnKey;
        const auto [shift, command] = modifiers();
        if (secure_) {
            if (held_ && held_->size() < maxHeld)
                held_->push_back({input.code, shift, command});
            else
                held_.reset();
            return false;
        }
        const int serial = pinyin_.serial;
        pinyin_.throughInputMethod = throughInputMethod_;
        pinyin_.key(input.code, shift, command);
        // A commit changes the field under a composition it leaves open (a pick of part of the letters).
        if (pinyin_.serial != serial) openBefore_.reset();
        if (blind_ && pinyin_.note) {
            // A note names a key; the focus may have gone into a password field unseen.
            if (!guardPassword())
                log(logPrefix + QStringLiteral("拼音清空（") + *pinyin_.note + QStringLiteral("）"));
            pinyin_.note.reset();
        }
        return false;
    }
    case Kind::keyUp:
        if (enabled()) scheduleCheck(std::nullopt, 0);
        return false;
    case Kind::fnDown:
        // A take lands around an open composition and leaves it open: only the letters committed before
        // it stop counting.
        pinyin_.committed.clear();
        pinyin_.ready.reset();
        openBefore_.reset();
        return false;
    case Kind::mouseDown:
        pinyin_.reset();
        openBefore_.reset();
        held_.reset();
        focusMoved_ = true;
        return false;
    default:
        return false;
    }
}

bool SuggestController::guardPassword() {
    // A field that did not say what it is (a busy application) may be a password field.
    const std::optional<bool> password = passwordField();
    if (password == false) return false;
    forgetTyping(password.has_value());
    return true;
}

void SuggestController::forgetTyping(bool known) {
    secure_ = true;
    pinyin_.reset();
    openBefore_.reset();
    pinyin_.note.reset();
    held_ = known ? std::nullopt : std::optional(std::vector<HeldKey>());
}

void SuggestController::feedHeld(const QString& before) {
    const std::optional<std::vector<HeldKey>> keys = std::exchange(held_, std::nullopt);
    if (!keys || keys->empty() || frontApp() != pinyinApp_) return;
    QString typed;
    for (const HeldKey& key : *keys) {
        const std::optional<QChar> c = typedBy(key.code, key.shift, key.command);
        if (!c) return;
        typed += *c;
    }
    if (!before.endsWith(typed)) return;
    for (const HeldKey& key : *keys) {
        pinyin_.throughInputMethod = throughInputMethod_;
        pinyin_.key(key.code, key.shift, key.command);
    }
    openBefore_.reset();
}

bool SuggestController::compositionOpen(const QString& before) {
    if (pinyin_.ready) {
        pinyin_.keepComposing(TypingTrigger::landed(before, pinyin_.committed.right(pinyin_.picked)));
        openBefore_.reset();
    }
    const QString& letters = pinyin_.composing;
    // Letters the field shows were typed without an input method, and so are all where none takes the keys.
    if (!throughInputMethod_ || letters.isEmpty() ||
        TypingTrigger::landed(before, letters) == letters.size()) {
        openBefore_.reset();
        return false;
    }
    // While an input method composes, only its commits change the text before the caret. Text that
    // changed otherwise since the composition was last seen open (letters typed without an input method
    // and then a key that moved the caret elsewhere) holds no composition of these letters.
    if (openBefore_ && *openBefore_ != before) {
        pinyin_.reset();
        openBefore_.reset();
        return false;
    }
    openBefore_ = before;
    return true;
}

bool SuggestController::composing() {
    if (pinyin_.composing.isEmpty()) return false;
    // The letters were typed in another application, which the focus has left without a key (a window that
    // raised itself): they are no composition here.
    if (frontApp() != pinyinApp_) return false;
    throughInputMethod_ = inputMethod();
    if (!throughInputMethod_) return false;
    const std::optional<CaretReader::Caret> caret = read();
    if (caret) return compositionOpen(caret->before);
    return !reader_.atStart || compositionOpen(QString());
}

void SuggestController::scheduleCheck(std::optional<double> after, int retry) {
    scheduler_.cancel(pendingCheck_);
    pendingCheck_ = scheduler_.after(after.value_or(debounce), [self = QPointer(this), retry] {
        if (self) self->check(retry);
    });
}

void SuggestController::check(int retry) {
    if (!enabled() || offer_ || !canShow() || !memories_) return;
    const QList<Memory> memories = memories_->memories();
    if (memories.isEmpty()) return;
    const QDateTime now = clock_.now();
    const QSet<QString> mutedWords = muted();

    if (frontApp() == pinyinApp_) throughInputMethod_ = inputMethod();
    const std::optional<CaretReader::Caret> caret = read();
    // A key read by the source before the answer came was most likely in the field the answer shows (the
    // application answers once it has handled what came before).
    readAt_ = clock_.uptime();
    blind_ = !caret;
    readField_ = caret.has_value();
    // A password field, or one whose kind could not be read: what was typed before it was known is
    // dropped unread, and what follows feeds nothing until a read tells the field is another kind (keys
    // held meanwhile count then only if that field shows them).
    if (!caret && (reader_.refusedPassword || reader_.kindUnknown)) {
        forgetTyping(reader_.refusedPassword);
    } else {
        // Only a field of a known kind: one whose role did not read may still hide what is typed.
        if (caret && !reader_.kindUnknown) feedHeld(caret->before);
        held_.reset();
        secure_ = false;
    }
    if (!caret) {
        // Logged once until a different reason comes.
        if (const QString failure = reader_.lastFailure; failure != lastLogged_) {
            lastLogged_ = failure;
            log(logPrefix + failure);
        }
    }
    // A field with nothing before its caret shows what the input method has committed so far: nothing.
    const std::optional<QString> before = caret             ? caret->before
                                          : reader_.atStart ? QString()
                                                            : std::optional<QString>();
    if (before && compositionOpen(*before)) {
        if (retry == 0) scheduleCheck(recheckDelay, 1);
        return;
    }
    if (caret) {
        if (dismissedKey_ && !dismissedKey_->startsWith(QStringLiteral("py:")) &&
            *dismissedKey_ != caret->key)
            dismissedKey_.reset();
        // The place where the last offer was dismissed or accepted gets no new caret offer.
        if (dismissedKey_ != caret->key) {
            if (const auto hit = TypingTrigger::match(caret->before, memories, mutedWords, now, names_)) {
                present(*hit, caret->key, caret->rect.value_or(QRectF()), {});
                return;
            }
        }
    }

    if (const auto& ready = pinyin_.ready) {
        const auto hit =
            TypingTrigger::matchPinyin(ready->letters, ready->joined, memories, mutedWords, now, names_);
        if (hit) {
            const QString key =
                QStringLiteral("py:") + QString::number(pinyinApp_) + ':' + QString::number(pinyin_.serial);
            if (dismissedKey_ == key) return;
            present(*hit, key, caret && caret->rect ? *caret->rect : QRectF(), QStringLiteral("按拼音"));
            return;
        }
    }
    if (caret) {
        if (retry == 0) scheduleCheck(recheckDelay, 1);
        return;
    }
    if (const auto& ready = pinyin_.ready)
        log(logPrefix + QStringLiteral("拼音上屏没对上（") + QString::number(ready->letters.size()) +
            QStringLiteral(" 个字母") + (ready->joined ? QStringLiteral("，带冒号") : QString()) +
            QStringLiteral("）"));
}

void SuggestController::present(const TypingTrigger::Hit& hit, const QString& key, const QRectF& rect,
                                const QString& how) {
    hit_ = hit;
    offerKey_ = key;
    offerReadAt_ = readAt_;
    const Memory& memory = hit.memory;
    if (!setOffer(Offer{memory.id, memory.title,
                        memory.sensitive ? QStringLiteral("••••••") : memory.firstLine(), memory.sensitive,
                        false, rect})) {
        hit_.reset();
        offerKey_.reset();
        return;
    }
    log(logPrefix + QStringLiteral("递上一条") +
        (how.isEmpty() ? QString() : QStringLiteral("（") + how + QStringLiteral("）")));
    // Compares only the place: an earlier offer's timer also ends a later offer at the same place.
    scheduler_.after(offerLifetime, [self = QPointer(this), key] {
        if (self && self->offerKey_ == key && self->offer_) self->dismiss(true);
    });
}

void SuggestController::accept() {
    if (!offer_ || !hit_) return;
    if (offer_->sensitive && !offer_->armed) {
        Offer armed = *offer_;
        armed.armed = true;
        setOffer(armed);
        return;
    }
    const TypingTrigger::Hit hit = *hit_;
    const std::optional<QString> key = offerKey_;
    setOffer(std::nullopt);
    hit_.reset();
    dismissedKey_ = key;
    // The fill takes the place of the letters typed for it: none of them is left composing.
    pinyin_.reset();
    openBefore_.reset();
    if (memories_) memories_->markUsed(hit.memory.id);
    QMap<QString, int> counts = ignored();
    counts.remove(hit.word); // one acceptance unmutes the word
    writeIgnored(counts);
    ++accepted_;
    emit acceptedChanged();
    onAccepted(int(Text::graphemeCount(hit.insertion)));
    // The offer came from a read of the field, as a text field, in the application still in front: the
    // fill goes there without a look at the focus, so its paste comes right as Tab is up, before what is
    // typed next.
    const bool intoField = readField_ && frontApp() == pinyinApp_;
    insertDetached(hit.insertion, hit.memory.sensitive, intoField);
}

QCoro::Task<> SuggestController::insertDetached(QString text, bool sensitive, bool intoField) {
    QPointer<SuggestController> self(this);
    ++filling_;
    const std::shared_ptr<void> done(nullptr, [self](void*) {
        if (self) --self->filling_;
    });
    try {
        // Called inside the Tab's handler: the key source holds the keyboard until Tab is answered, and
        // keeps it while Tab is down. The insertion reads the focus, which a GTK field has given up to the
        // held keyboard, and may wait seconds on the clipboard's owner: it starts once Tab is up.
        co_await tap_.keysSettled(scheduler_);
        if (!self) co_return;
        const InsertResult result = co_await inserter_.insert(
            std::move(text), intoField ? std::optional(FocusKind::text) : std::nullopt, sensitive);
        // Said from what the insertion did: a fill left on the clipboard was not filled.
        if (!self) co_return;
        if (result.isInserted())
            self->log(logPrefix + QStringLiteral("已填入"));
        else
            self->log(logPrefix + QStringLiteral("没填进去（") + result.hint + QStringLiteral("）"));
    } catch (...) {
        // The inserter does not throw by contract; a detached task must not lose an exception into Qt.
    }
}

void SuggestController::dismiss(bool remember) {
    if (remember) {
        if (offerKey_) dismissedKey_ = offerKey_;
        if (hit_ && hit_->loose && !hit_->word.isEmpty()) {
            QMap<QString, int> counts = ignored();
            counts[hit_->word] += 1;
            writeIgnored(counts);
            if (ignored().value(hit_->word) == 2)
                log(logPrefix + QStringLiteral("一个词连续被无视，之后只在明确说法下出现"));
        }
    }
    setOffer(std::nullopt);
    hit_.reset();
}

void SuggestController::debugShow(const QRectF& rect) {
    offerKey_ = QStringLiteral("debug");
    hit_.reset();
    setOffer(Offer{QStringLiteral("debug"), QStringLiteral("公司地址"),
                   QStringLiteral("（测试）提示条应该出现在屏幕中间"), false, false, rect});
    scheduler_.after(debugLifetime, [self = QPointer(this)] {
        if (!self || self->offerKey_ != QStringLiteral("debug")) return;
        self->setOffer(std::nullopt);
        self->hit_.reset();
    });
}

bool SuggestController::enabled() const {
    const QVariant value = defaults_.value(enabledKey);
    return !value.isValid() || value.toBool();
}

void SuggestController::setEnabled(bool on) {
    defaults_.setValue(enabledKey, on);
    if (on) return;
    setOffer(std::nullopt);
    hit_.reset();
}

int SuggestController::mutedCount() const {
    return int(muted().size());
}

void SuggestController::resetMuted() {
    writeIgnored({});
}

bool SuggestController::setOffer(std::optional<Offer> offer) {
    if (offer == offer_) return true;
    const bool shown = offer_.has_value();
    offer_ = std::move(offer);
    // A strip shows only once its keys are held: a Tab pressed at it must never go into the text.
    const bool held = announceKeys() || !offer_;
    if (!held) {
        offer_.reset();
        announceKeys();
    }
    if (offer_ || shown) emit offerChanged();
    return held;
}

bool SuggestController::announceKeys() {
    std::set<int> keys = swallowedUps_;
    if (offer_) keys.insert({tab, KeyCode::escape});
    return tap_.setSwallowable(tapOwner, std::move(keys));
}

QMap<QString, int> SuggestController::ignored() const {
    const QVariant stored = defaults_.value(ignoredKey);
    if (stored.typeId() != QMetaType::QVariantMap) return {};
    QMap<QString, int> counts;
    const QVariantMap map = stored.toMap();
    for (auto it = map.begin(); it != map.end(); ++it) {
        const int type = it.value().typeId();
        if (type != QMetaType::Int && type != QMetaType::LongLong) return {};
        counts.insert(it.key(), it.value().toInt());
    }
    return counts;
}

void SuggestController::writeIgnored(const QMap<QString, int>& counts) {
    QVariantMap map;
    for (auto it = counts.begin(); it != counts.end(); ++it)
        map.insert(it.key(), it.value());
    defaults_.setValue(ignoredKey, map);
}

QSet<QString> SuggestController::muted() const {
    QSet<QString> words;
    const QMap<QString, int> counts = ignored();
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (it.value() >= 2) words.insert(it.key());
    return words;
}

} // namespace mivora
