#pragma once

#include "Memories/Memory.h"

#include <QWidget>

class QLineEdit;
class QPlainTextEdit;

namespace mivora {

class PrimaryButton;
class SoftButton;
class Switch;

// The form in which the user fills in or changes one memory: its name, its content, the other names it
// may be called by, and whether it is sensitive. It saves and deletes by asking its owner (the two
// signals); it never touches the store itself. Every text is edited and shown as plain text.
class MemoryEditor final : public QWidget {
    Q_OBJECT
public:
    // `memory` is the editor's working copy from now on; `isNew` while it is not stored.
    MemoryEditor(Memory memory, bool isNew, QWidget* parent = nullptr);

    const QString& memoryId() const { return memory_.id; }
    void setNew(bool isNew);

    // The stored memory changed while open (a sync, another device's edit): each field the user has not
    // touched takes the stored content; what the user typed stays.
    void follow(const Memory& stored);

    // The memory as saving hands it on: the title without spaces and tabs around it, the aliases split
    // from their text, the value exactly as typed (the stored value as it is, line breaks and all, while
    // the user has not touched it). The fields keep showing what was typed.
    Memory edited() const;

    // The names in an aliases text: split at "，", ",", "、", ";" and "；" (not at spaces), each without
    // spaces and tabs around it, empty ones dropped, order and repeats kept.
    static QStringList splitAliases(const QString& text);

signals:
    void saveRequested(const mivora::Memory& memory);
    void deleteRequested(const QString& id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void save();
    void confirmDelete();
    void updateSave();
    QString value() const;
    // Puts a stored value in the field. The field shows every kind of line break (CR, CR LF, U+2028,
    // U+2029) as a line feed, so whether the user touched it is told from what it showed, and an untouched
    // field stands for the stored value as it is.
    void showValue(const QString& text);
    bool valueTouched() const;

    Memory memory_;
    // The stored content the fields started from: a field still showing it has not been touched.
    Memory base_;
    // The field's text (as `value` reads it) when it last took the stored value.
    QString valueShown_;
    QLineEdit* title_;
    QPlainTextEdit* value_;
    QWidget* valueFrame_;
    QLineEdit* aliases_;
    Switch* sensitive_;
    SoftButton* delete_;
    PrimaryButton* save_;
};

} // namespace mivora
