#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class QKeyEvent;

namespace mivora {

class KeyboardProbe;

// Takes the next key pressed anywhere in the program's windows as the new hotkey: the keyboard is
// grabbed for `owner` while it waits, Esc gives up, and any other key is named through the desktop's
// keyboard. A key the desktop cannot name, and a key that types or edits text (held to dictate, it would
// stop typing in every application: "a", Return, Space), is refused with its reason and the wait goes on.
class HotkeyCapture final : public QObject {
    Q_OBJECT
public:
    HotkeyCapture(QWidget& owner, KeyboardProbe& keyboard);
    ~HotkeyCapture() override;

    void start();
    void stop();
    bool waiting() const { return waiting_; }
    // What the user is asked while the wait runs, after why the last key was refused (if one was);
    // `currentKey` names the key Esc keeps.
    QString waitingText(const QString& currentKey) const;
    // Whether the key of `event` types or edits text.
    static bool typesText(const QKeyEvent& event);

signals:
    void chosen(const QString& keyName);
    void cancelled();
    void refused();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& owner_;
    KeyboardProbe& keyboard_;
    bool waiting_ = false;
    QString refusal_; // why the last key pressed in this wait was not taken
};

} // namespace mivora
