#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace mivora {

class KeyboardProbe;

// Takes the next key pressed anywhere in the program's windows as the new hotkey: the keyboard is
// grabbed for `owner` while it waits, Esc gives up, and any other key is named through the desktop's
// keyboard. A key the desktop cannot name is reported and the wait goes on.
class HotkeyCapture final : public QObject {
    Q_OBJECT
public:
    HotkeyCapture(QWidget& owner, KeyboardProbe& keyboard);
    ~HotkeyCapture() override;

    void start();
    void stop();
    bool waiting() const { return waiting_; }

signals:
    void chosen(const QString& keyName);
    void cancelled();
    void unnamed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& owner_;
    KeyboardProbe& keyboard_;
    bool waiting_ = false;
};

} // namespace mivora
