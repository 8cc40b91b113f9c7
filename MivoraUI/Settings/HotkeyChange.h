#pragma once

#include <QWidget>

class QAbstractButton;

namespace mivora {

class AppModel;
class HotkeyCapture;
class StyledLabel;

// The shortcut group's way to change the key held to dictate, at any time: "换一个键" takes the next key
// pressed in the program's windows as the new hotkey, Esc keeps the old one. The new key is stored at once
// and the setup model asks the desktop again whether it exists and is free.
class HotkeyChange final : public QWidget {
    Q_OBJECT
public:
    explicit HotkeyChange(AppModel& model, QWidget* parent = nullptr);
    ~HotkeyChange() override;

    bool waiting() const;
    QAbstractButton* button() const { return button_; }
    QString prompt() const;

signals:
    // A new key was stored (the model's hotkey name says which).
    void changed();

private:
    void refresh();
    void chosen(const QString& keyName);

    AppModel& model_;
    HotkeyCapture* capture_;
    StyledLabel* prompt_;
    QAbstractButton* button_;
};

} // namespace mivora
