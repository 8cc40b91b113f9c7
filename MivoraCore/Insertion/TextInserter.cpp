#include "Insertion/TextInserter.h"

#include "Platform/Platform.h"
#include "Platform/TextAccess.h"

#include <QGuiApplication>

#include <tuple>

namespace mivora {

namespace {

// How often, and how far apart, an application that says nothing is focused is asked again.
constexpr int refocusLooks = 3;
constexpr double refocusPause = 0.05;
// How long, and how often, a field is read for a text that has to be seen landing.
constexpr double landingWait = 1.0;
constexpr double landingPoll = 0.05;

// The identifier our own clipboard contents name as their source.
QString ownIdentifier() {
    const QString id = QGuiApplication::desktopFileName();
    return id.isEmpty() ? QStringLiteral("Mivora") : id;
}

QString identifierOf(const std::optional<FrontApp>& app) {
    return app && !app->identifier.isEmpty() ? app->identifier : QStringLiteral("?");
}

// The front application's focused element, or failing that the focused element anywhere. `ofApp` tells
// which of the two was found.
// `appError` gets the front application's own answer when it named no element.
Accessibility::FocusRead readFocus(Accessibility& accessibility, const std::optional<FrontApp>& app,
                                   bool* ofApp = nullptr, Accessibility::Error* appError = nullptr) {
    Accessibility::FocusRead read;
    if (app && app->pid > 0) read = accessibility.focusedElement(app->pid);
    if (ofApp) *ofApp = bool(read.element);
    if (appError && app && app->pid > 0 && !read.element) *appError = read.error;
    if (!read.element) read = accessibility.focusedElementAnywhere();
    return read;
}

QString described(const QString& role, const std::optional<FrontApp>& app) {
    return role + QStringLiteral("（") + identifierOf(app) + QStringLiteral("）");
}

} // namespace

TextInserter::TextInserter(Platform& platform, Scheduler& scheduler)
    : TextInserter(platform.pasteboard(), platform.syntheticKeys(), platform.accessibility(),
                   platform.frontApplication(), scheduler, platform.selection(), &platform.textAccess()) {}

TextInserter::TextInserter(Pasteboard& pasteboard, SyntheticKeys& keys, Accessibility& accessibility,
                           FrontApplication& front, Scheduler& scheduler, Pasteboard* selection,
                           TextAccess* text)
    : pasteboard_(pasteboard), keys_(keys), accessibility_(accessibility), front_(front),
      scheduler_(scheduler), selection_(selection), text_(text) {}

TextInserter::~TextInserter() {
    *alive_ = false;
    if (prepared_) scheduler_.cancel(prepared_->expiry);
    if (pending_) {
        // The snapshot is the only copy of the user's clipboard left (the clipboard holds our text): put
        // it back now rather than lose it with the timer.
        scheduler_.cancel(pending_->timer);
        restore();
    }
    // Insertions still waiting end now, without touching what is gone.
    if (asking_) (*asking_)();
    for (const auto& turn : std::exchange(queued_, {}))
        (*turn)();
}

QCoro::Task<InsertResult> TextInserter::insert(QString text) {
    return insertWith(std::move(text), std::nullopt, false, false);
}

QCoro::Task<InsertResult> TextInserter::insertSensitive(QString text) {
    return insertWith(std::move(text), std::nullopt, true, false);
}

QCoro::Task<InsertResult> TextInserter::insertOverComposition(QString text, bool sensitive) {
    return insertWith(std::move(text), std::nullopt, sensitive, true);
}

void TextInserter::prepare() {
    if (prepared_) scheduler_.cancel(prepared_->expiry);
    Prepared ahead;
    ahead.app = front_.current();
    ahead.focus = inspectFocus(ahead.app, &ahead.element);
    // With a restore due, the clipboard holds our own text and the user's is in that restore already.
    if (!pending_) ahead.snapshot = PasteboardSnapshot(pasteboard_);
    ahead.changeCount = pasteboard_.changeCount();
    ahead.expiry = scheduler_.after(preparedFor, [this] { prepared_.reset(); });
    prepared_ = std::move(ahead);
}

QCoro::Task<InsertResult> TextInserter::insert(QString text, std::optional<FocusKind> focus, bool sensitive) {
    return insertWith(std::move(text), focus, sensitive, false);
}

QCoro::Task<InsertResult> TextInserter::insertWith(QString text, std::optional<FocusKind> focus,
                                                   bool sensitive, bool overComposition) {
    const std::shared_ptr<bool> alive = alive_;
    if (asking_) {
        // Our text would replace that of the insertion waiting for its paste.
        const auto turn = std::make_shared<Wake>();
        queued_.push_back(turn);
        Wake::Awaiter awaiter{turn};
        co_await awaiter;
        if (!*alive) co_return InsertResult::copied(InsertPlan::pasteHint());
    }
    std::optional<Prepared> ahead = std::exchange(prepared_, std::nullopt);
    if (ahead) scheduler_.cancel(ahead->expiry);
    const auto app = front_.current();
    // What was read ahead holds while the same application is in front and nobody copied anything.
    const bool sameApp = ahead && ahead->app.has_value() == app.has_value() &&
                         (!app || (app->identifier == ahead->app->identifier && app->pid == ahead->app->pid));
    if (ahead && (!sameApp || pasteboard_.changeCount() != ahead->changeCount)) ahead.reset();

    if (onlyInto) {
        if (!app || app->identifier.isEmpty() || app->identifier != *onlyInto)
            co_return InsertResult::copied(notTestAppHint);
    }

    const PasteKeys pasteKeys = app ? app->paste : PasteKeys::controlV;
    FocusKind kind;
    if (focus) {
        kind = *focus;
    } else {
        Focus found = ahead ? focusNow(*ahead, app) : inspectFocus(app);
        // A GTK application takes a grab of the keyboard for a loss of focus, and says nothing is focused
        // until it has seen the grab end: the kept key that set this insertion off (Tab, a digit) was let go
        // a moment ago. It is asked again a few times, while it stays in front, before its field is taken
        // for gone; an application that really has no focused field costs these few looks.
        for (int look = 0; found.appSaysNone && !app->isTerminal() && look < refocusLooks; ++look) {
            auto pause = scheduler_.sleep(refocusPause);
            co_await pause;
            if (!*alive) co_return InsertResult::copied(InsertPlan::pasteHint());
            const auto now = front_.current();
            if (!now || now->pid != app->pid) break;
            found = inspectFocus(app);
        }
        if (onFocus) onFocus(found.detail);
        kind = found.kind;
    }
    // A terminal takes the paste at its cursor; its accessibility tree (none in xterm, a "terminal" role
    // in others) does not say so.
    if (app && app->isTerminal()) kind = FocusKind::text;
    const InsertPlan plan = InsertPlan::make(kind, pasteKeys);
    const bool viaSelection = pasteKeys == PasteKeys::shiftInsert && selection_;

    // An input method composing in the field may keep the paste key to itself: a paste into a text field
    // counts only once the field shows one more copy of the text than before. The field is held from here
    // on, so each look at its text is one question to the application.
    const bool confirm = overComposition && plan.restoreClipboard && postsKeys;
    std::unique_ptr<FocusedText> field;
    if (confirm && text_ && app && app->pid > 0) field = text_->focusedText(app->pid).field;
    const std::optional<qsizetype> shownBefore = field ? timesShown(*field, text) : std::nullopt;

    std::optional<PasteboardSnapshot> early;
    if (ahead && ahead->snapshot && !pending_) early = std::move(*ahead->snapshot);
    Saved saved = takeSnapshots(std::move(early), viaSelection);
    const bool marked = plan.restoreClipboard || sensitive;
    write(pasteboard_, text, marked);
    // A secret goes to the application it is pasted into and to no other (a clipboard manager's history).
    if (sensitive) pasteboard_.keepFromOthers();
    qint64 written = pasteboard_.changeCount();
    qint64 selectionWritten = 0;
    if (viaSelection) {
        write(*selection_, text, marked);
        if (sensitive) selection_->keepFromOthers();
        selectionWritten = selection_->changeCount();
    }

    // Due from now on, so that an insertion coming during the wait below keeps the user's clipboard.
    if (plan.restoreClipboard)
        pending_ = PendingRestore{0, std::move(saved.clipboard), written, std::move(saved.selection),
                                  selectionWritten};

    const auto asked = std::make_shared<Wake>();
    if (postsKeys && plan.paste && app && app->dropsEarlyPaste &&
        pasteboard_.whenFirstAsked([asked] { (*asked)(); })) {
        // Its question for the new clipboard comes within milliseconds; the time-out covers one that
        // never asks.
        asking_ = asked;
        const Scheduler::TimerId timer = scheduler_.after(askTimeout, [asked] { (*asked)(); });
        Wake::Awaiter awaiter{asked};
        co_await awaiter;
        if (!*alive) co_return InsertResult::copied(InsertPlan::pasteHint(pasteKeys));
        scheduler_.cancel(timer);
        asking_.reset();
    }

    // A clipboard manager may have put its newest entry back in the moment since: the paste would take that.
    const bool ours = !postsKeys || !plan.paste || stillOurs(text, marked, sensitive, viaSelection);
    if (ours && (pasteboard_.changeCount() != written ||
                 (viaSelection && selection_->changeCount() != selectionWritten))) {
        written = pasteboard_.changeCount();
        selectionWritten = viaSelection ? selection_->changeCount() : 0;
        if (pending_)
            std::tie(pending_->changeCount, pending_->selectionCount) = std::pair(written, selectionWritten);
    }
    // Where requests are seen, the paste counts once the application has taken the text from us.
    const auto taken = std::make_shared<Wake>();
    const auto took = std::make_shared<bool>(false);
    const auto onTaken = [taken, took] {
        *took = true;
        (*taken)();
    };
    bool seesTake = postsKeys && plan.paste && plan.restoreClipboard && !confirm && ours;
    if (seesTake) {
        const bool viaBoth = viaSelection && selection_->whenTaken(onTaken);
        seesTake = pasteboard_.whenTaken(onTaken) || viaBoth;
    }

    // The text stays on the clipboard for the user to paste, as an ordinary copy unless it is a secret (and
    // unless something else was copied meanwhile).
    const auto keep = [&] {
        pending_.reset();
        if (!plan.restoreClipboard || sensitive) return;
        if (pasteboard_.changeCount() == written) write(pasteboard_, text, false);
        if (viaSelection && selection_->changeCount() == selectionWritten) write(*selection_, text, false);
    };
    InsertResult result = plan.hint ? InsertResult::copied(*plan.hint) : InsertResult::inserted();
    if (!ours || (postsKeys && plan.paste && !keys_.postPaste(pasteKeys))) {
        // The paste never reached the application.
        keep();
        result = InsertResult::copied(InsertPlan::pasteHint(pasteKeys));
    } else if (confirm) {
        // Insertions coming meanwhile wait, as for an application's question; an inserter going away ends
        // the wait at once.
        // The wait is bounded by the time gone, not by the looks made: each look is a question to an
        // application that may be slow to answer.
        bool landed = false;
        const auto overdue = std::make_shared<bool>(false);
        const Scheduler::TimerId deadline = scheduler_.after(landingWait, [overdue] { *overdue = true; });
        while (shownBefore) {
            const std::optional<qsizetype> shown = timesShown(*field, text);
            landed = shown && *shown > *shownBefore;
            if (landed || *overdue) break;
            const auto look = std::make_shared<Wake>();
            asking_ = look;
            scheduler_.after(landingPoll, [look] { (*look)(); });
            Wake::Awaiter awaiter{look};
            co_await awaiter;
            if (!*alive) co_return InsertResult::copied(InsertPlan::compositionHint(pasteKeys));
        }
        scheduler_.cancel(deadline);
        asking_.reset();
        field.reset();
        if (landed) {
            if (pending_) pending_->timer = scheduler_.after(restoreDelay, [this] { restore(); });
        } else {
            keep();
            result = InsertResult::copied(InsertPlan::compositionHint(pasteKeys));
        }
    } else if (seesTake) {
        // Insertions coming meanwhile wait their turn, as for an application's question.
        asking_ = taken;
        const Scheduler::TimerId timer = scheduler_.after(takeBound, [taken] { (*taken)(); });
        Wake::Awaiter awaiter{taken};
        co_await awaiter;
        if (!*alive) co_return InsertResult::copied(InsertPlan::pasteHint(pasteKeys));
        scheduler_.cancel(timer);
        asking_.reset();
        pasteboard_.whenTaken({}); // the board the application did not read waits no longer
        if (viaSelection) selection_->whenTaken({});
        if (!*took) {
            keep();
            result = InsertResult::copied(InsertPlan::pasteHint(pasteKeys));
        } else if (pending_) {
            pending_->timer = scheduler_.after(restoreDelay, [this] { restore(); });
        }
    } else if (pending_) {
        pending_->timer = scheduler_.after(restoreDelay, [this] { restore(); });
    }
    passTurn();
    co_return result;
}

std::optional<qsizetype> TextInserter::timesShown(FocusedText& field, const QString& text) {
    // A field may turn line breaks into blanks or drop them (a one-line entry): blanks are not compared.
    const auto bare = [](const QString& s) {
        QString out;
        for (const QChar c : s)
            if (!c.isSpace()) out += c;
        return out;
    };
    const QString wanted = bare(text);
    if (wanted.isEmpty()) return std::nullopt;
    const std::optional<QString> value = field.value();
    if (!value) return std::nullopt;
    return bare(*value).count(wanted);
}

void TextInserter::passTurn() {
    while (!asking_ && !queued_.empty()) {
        const std::shared_ptr<Wake> next = queued_.front();
        queued_.pop_front();
        (*next)();
    }
}

TextInserter::Saved TextInserter::takeSnapshots(std::optional<PasteboardSnapshot> early, bool withSelection) {
    Saved saved;
    std::optional<PendingRestore> previous = std::exchange(pending_, std::nullopt);
    if (previous) scheduler_.cancel(previous->timer);
    // An insertion whose restore is still due: the clipboard holds our own text, and the snapshot that
    // restore carries is the user's. Keep it, so quick insertions still give the user's clipboard back.
    // When something else was copied since, that copy is the user's clipboard now.
    if (previous && pasteboard_.changeCount() == previous->changeCount)
        saved.clipboard = std::move(previous->snapshot);
    else if (!previous && early)
        saved.clipboard = std::move(*early);
    else
        saved.clipboard = PasteboardSnapshot(pasteboard_);

    if (!selection_) return saved;
    const bool selectionDue = previous && previous->selection;
    const bool selectionOurs = selectionDue && selection_->changeCount() == previous->selectionCount;
    if (withSelection)
        saved.selection = selectionOurs ? std::move(*previous->selection) : PasteboardSnapshot(*selection_);
    else if (selectionOurs)
        previous->selection->restore(*selection_); // this insertion leaves the selection alone: give it back
    return saved;
}

void TextInserter::write(Pasteboard& board, const QString& text, bool marked) {
    Pasteboard::Item item{{textType, text.toUtf8()}};
    if (marked) {
        for (const QString& type : markerTypes)
            item.emplace_back(type, QByteArray());
        item.emplace_back(passwordHintType, QByteArrayLiteral("secret"));
    }
    item.emplace_back(sourceType, ownIdentifier().toUtf8());
    board.write({item});
}

bool TextInserter::stillOurs(const QString& text, bool marked, bool sensitive, bool viaSelection) {
    bool ours = true;
    for (Pasteboard* board : {&pasteboard_, viaSelection ? selection_ : nullptr}) {
        if (!board || board->stillOurs()) continue;
        write(*board, text, marked);
        if (sensitive) board->keepFromOthers();
        ours = ours && board->stillOurs();
    }
    return ours;
}

void TextInserter::restore() {
    if (!pending_) return;
    PendingRestore due = std::move(*pending_);
    pending_.reset();
    // Something copied (or selected) during the delay wins over the old contents.
    if (pasteboard_.changeCount() == due.changeCount) due.snapshot.restore(pasteboard_);
    if (due.selection && selection_ && selection_->changeCount() == due.selectionCount)
        due.selection->restore(*selection_);
}

TextInserter::Focus TextInserter::inspectFocus() {
    return inspectFocus(front_.current());
}

TextInserter::Focus TextInserter::inspectFocus(const std::optional<FrontApp>& app,
                                               std::unique_ptr<AccessibleElement>* kept) {
    bool ofApp = false;
    Accessibility::Error appError = Accessibility::noError;
    Accessibility::FocusRead read = readFocus(accessibility_, app, &ofApp, &appError);
    if (read.element) {
        const auto [kind, role] = classify(*read.element);
        if (kept && ofApp) *kept = std::move(read.element);
        return {kind, described(role, app)};
    }
    const FocusKind kind = read.error == Accessibility::noValue ? FocusKind::none : FocusKind::unknown;
    return {kind, described(QStringLiteral("无焦点 ") + QString::number(int(read.error)), app),
            appError == Accessibility::noValue};
}

TextInserter::Focus TextInserter::focusNow(const Prepared& ahead, const std::optional<FrontApp>& app) {
    // A terminal takes the paste whatever its accessibility tree says: the reading only goes to the log.
    if (app && app->isTerminal()) return ahead.focus;
    // Confirming the element costs one question to the application; a search of its tree is what the
    // read-ahead spares the insertion, so it comes only when the focus has moved.
    if (ahead.element) {
        if (const auto now = ahead.element->stillFocused()) {
            const auto [kind, role] = classify(*now);
            return {kind, described(role, app)};
        }
    }
    return inspectFocus(app);
}

std::pair<FocusKind, QString> TextInserter::classify(const AccessibleElement& element) {
    const QString role = element.role();
    if (textRoles.contains(role)) return {FocusKind::text, role};
    if (element.isSelectedTextSettable()) return {FocusKind::text, role};
    if (role == QStringLiteral("AXSlider")) return {FocusKind::other, role};
    if (element.isValueSettable()) return {FocusKind::text, role};
    return {FocusKind::other, role};
}

bool TextInserter::secureInputOn(Accessibility& accessibility, FrontApplication& front) {
    const Accessibility::FocusRead read = readFocus(accessibility, front.current());
    return read.element && read.element->isPasswordText();
}

} // namespace mivora
