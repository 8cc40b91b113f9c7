#pragma once

#include <QCoro/QCoroTask>
#include <QString>

#include <optional>

namespace mivora {

// What has keyboard focus in the front application.
enum class FocusKind { text, other, none, unknown };

// The inserter's answer: the text was pasted, or only left on the clipboard with a hint for the user.
struct InsertResult {
    enum class Kind { copied, inserted };
    Kind kind = Kind::inserted;
    QString hint; // only for copied

    static InsertResult inserted() { return {Kind::inserted, {}}; }
    static InsertResult copied(QString hint) { return {Kind::copied, std::move(hint)}; }
    bool isInserted() const { return kind == Kind::inserted; }
    bool operator==(const InsertResult&) const = default;
};

// Puts text at the caret of the front application.
class Inserting {
public:
    virtual ~Inserting() = default;
    virtual QCoro::Task<InsertResult> insert(QString text) = 0;
    // The same for a secret (the value of a sensitive memory): whatever of it stays on the clipboard is
    // marked so that clipboard managers do not keep it.
    virtual QCoro::Task<InsertResult> insertSensitive(QString text) { return insert(std::move(text)); }
    // The same while an input method composes in the focused field, which may keep the paste key to itself:
    // `inserted` only when the text was seen landing; otherwise it stays on the clipboard, and the hint
    // says so.
    virtual QCoro::Task<InsertResult> insertOverComposition(QString text, bool sensitive) = 0;
    // Either of the two into a focus the caller knows already (a field it has just read as text): an
    // inserter that would look at the focus first may skip that look. Nothing known: the same as above.
    virtual QCoro::Task<InsertResult> insert(QString text, std::optional<FocusKind> focus, bool sensitive) {
        (void)focus;
        return sensitive ? insertSensitive(std::move(text)) : insert(std::move(text));
    }
    // An insertion may follow soon (a take has just ended): what it needs to read from the desktop may be
    // read now, while nothing waits for it, and only be confirmed by the insertion. Harmless when no
    // insertion follows.
    virtual void prepare() {}
};

} // namespace mivora
