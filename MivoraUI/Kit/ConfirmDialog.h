#pragma once

#include <QMessageBox>

namespace mivora {

// A question before something that cannot be undone: a window titled with the product's name, the
// question as its text, a destructive button and "取消". Enter and Esc both cancel: the destructive
// button runs only when clicked (or chosen with Tab and Space). The dialog is at least as wide as its
// window title needs beside the title bar's buttons.
class ConfirmDialog final : public QMessageBox {
    Q_OBJECT
public:
    ConfirmDialog(const QString& question, const QString& destructive, QWidget* parent = nullptr);

    QPushButton* destructiveButton() const { return destructive_; }
    QPushButton* cancelButton() const { return cancel_; }
    // Whether the confirmation was chosen (after the dialog finished).
    bool confirmed() const;

    // The width a dialog needs so the title bar shows all of its window title.
    static int titleWidth(const QWidget* dialog);
    // Widens `dialog` to that width.
    static void fitTitle(QWidget* dialog);

protected:
    bool event(QEvent* event) override;

private:
    QPushButton* destructive_;
    QPushButton* cancel_;
};

} // namespace mivora
