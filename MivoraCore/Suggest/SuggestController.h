#pragma once

#include "Keys/KeyInput.h"
#include "Suggest/CaretReader.h"
#include "Suggest/PinyinBuffer.h"
#include "Suggest/TriggerNames.h"
#include "Suggest/TypingTrigger.h"
#include "Support/Scheduler.h"

#include <QCoro/QCoroTask>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>
#include <set>
#include <vector>

namespace mivora {

class Clock;
class Defaults;
class FrontApplication;
class Inserting;
class KeyTap;
class MemoryStore;

// Offers at most one memory at a time while the user types in any application. It sees every key input
// before the voice controller; after each pause in typing it reads the text before the caret (or follows
// the pinyin typed into an input method), asks the typing trigger for a memory and publishes an `Offer`,
// which the strip draws at the caret. Tab accepts (a sensitive memory needs a second Tab), Esc, any other
// key-down, Fn, a click or six seconds without an answer dismiss; a loosely matched word ignored twice is
// muted. Tab and Esc are announced to the key tap as swallowable only while an offer shows; a Tab held with
// a modifier, or one another program took (the window manager's Alt+Tab), is another key. What is typed
// into a password field, or a field whose kind cannot be read, feeds nothing and is logged nowhere. While
// an input method composes nothing is offered, so that its Tab, Esc and digits stay its own; letters are
// taken for a composition only where an input method is known to take the keys. Main thread only.
class SuggestController final : public QObject {
    Q_OBJECT
public:
    struct Offer {
        QString id; // the memory's id; "debug" for the test strip
        QString title;
        QString preview; // the memory's first line, or six bullets for a sensitive one
        bool sensitive = false;
        bool armed = false; // a sensitive offer after the first Tab
        QRectF rect;        // the caret, origin at the bottom left of the first screen; all 0 when unknown
        bool operator==(const Offer&) const = default;
    };

    static constexpr int tab = 48;
    static constexpr const char* enabledKey = "typingSuggestEnabled";
    static constexpr const char* ignoredKey = "typingIgnored";
    static constexpr const char* tapOwner = "suggest";

    // `memories` may be null (nothing to offer). Everything given must outlive the controller.
    SuggestController(Inserting& inserter, MemoryStore* memories, CaretReader& reader,
                      FrontApplication& front, KeyTap& tap, Defaults& defaults, Scheduler& scheduler,
                      Clock& clock, QObject* parent = nullptr);
    ~SuggestController() override;

    // Installed by the shell; each is read at the moment of use.
    std::function<void(int)> onAccepted = [](int) {};
    std::function<bool()> canShow = [] { return true; };
    std::function<void(const QString&)> log = [](const QString&) {};
    // Defaults bound to the constructor's arguments; a self-test may replace them.
    std::function<std::optional<CaretReader::Caret>()> read;
    std::function<std::pair<bool, bool>()> modifiers; // (shift, command) of the key being fed
    std::function<qint64()> frontApp;
    // Whether the focused field hides what is typed (a password field), nothing when that cannot be told;
    // asked when the focus may have moved.
    std::function<std::optional<bool>()> passwordField;
    // Whether an input method is known to take the keys of the front application and to be switched on;
    // asked when the application changes, at each look at the field and before `composing` answers.
    std::function<bool()> inputMethod;

    double debounce = 0.18;
    double recheckDelay = 0.35;

    // One input of the key tap, before anyone else sees it. True: it is answered and must be swallowed;
    // false: not handled, hand it on.
    bool handle(const KeyInput& input);

    // Whether an input method is composing in the focused field: one takes the keys of the application in
    // front, letters were typed there since its last commit, and the text before the caret does not show
    // them (or cannot be read). Reads the field.
    bool composing();

    const std::optional<Offer>& offer() const { return offer_; }
    int accepted() const { return accepted_; }
    // Whether a fill is still on its way into the field (from its Tab until the inserter is done).
    bool filling() const { return filling_ > 0; }
    bool enabled() const;
    void setEnabled(bool on);
    int mutedCount() const;
    void resetMuted();
    // Shows the test strip at `rect` for 8 s.
    void debugShow(const QRectF& rect);
    void dismiss(bool remember);

signals:
    void offerChanged();
    void acceptedChanged();

private:
    // The focused field is, or may be, a password field: empties the pinyin letters and stops feeding
    // them. Where it only may be (`known` false), the keys that follow are held aside, unread, for the
    // next look at the field.
    void forgetTyping(bool known);
    // Asks whether the focused field is a password field; true, and typing forgotten, where it is or may be.
    bool guardPassword();
    // The keys held while the field's kind was not known go to the pinyin letters when the field now reads
    // as plain text and shows what they type just before the caret; otherwise they are dropped.
    void feedHeld(const QString& before);
    // Holds the pinyin letters against what the field shows before the caret: letters of the last commit
    // that did not land go back to composing, and letters of a text that changed without a commit are
    // dropped. True while a composition is open.
    bool compositionOpen(const QString& before);
    void scheduleCheck(std::optional<double> after, int retry);
    void check(int retry);
    void present(const TypingTrigger::Hit& hit, const QString& key, const QRectF& rect, const QString& how);
    void accept();
    QCoro::Task<> insertDetached(QString text, bool sensitive, bool intoField);
    // False when the offer's keys could not be held: it is not shown, and none is.
    bool setOffer(std::optional<Offer> offer);
    bool announceKeys();
    QMap<QString, int> ignored() const;
    void writeIgnored(const QMap<QString, int>& counts);
    QSet<QString> muted() const;

    Inserting& inserter_;
    QPointer<MemoryStore> memories_;
    CaretReader& reader_;
    KeyTap& tap_;
    Defaults& defaults_;
    Scheduler& scheduler_;
    Clock& clock_;

    std::optional<Offer> offer_;
    int accepted_ = 0;
    int filling_ = 0;
    std::optional<TypingTrigger::Hit> hit_;
    std::optional<QString> offerKey_;
    std::optional<QString> dismissedKey_;
    std::set<int> swallowedUps_;
    Scheduler::TimerId pendingCheck_ = 0;
    QString lastLogged_;
    PinyinBuffer pinyin_;
    // The text before the caret when the composition was last seen open; none since a commit, a take, a
    // click or a move to another application.
    std::optional<QString> openBefore_;
    qint64 pinyinApp_ = 0;
    // An input method takes the keys of `pinyinApp_`: without one, letters are never a composition.
    bool throughInputMethod_ = false;
    bool blind_ = false;
    bool readField_ = false; // the last look read the focused field as text
    double readAt_ = 0;      // when the last look at the field got its answer (uptime)
    double offerReadAt_ = 0; // the same for the look that made the offer shown
    bool secure_ = false;    // the focused field is (or may be) a password field: its keys feed nothing
    struct HeldKey {
        int code;
        bool shift;
        bool command;
    };
    // Keys typed while the field's kind was not known (a busy application that had not yet said where its
    // focus went); none are kept once it is known to be a password field.
    std::optional<std::vector<HeldKey>> held_;
    bool focusMoved_ = false; // since the last look at the field (a click, Tab, Return, another application)
    TriggerNames names_;
};

} // namespace mivora
