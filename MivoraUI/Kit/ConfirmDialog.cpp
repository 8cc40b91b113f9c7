#include "MivoraUI/Kit/ConfirmDialog.h"

#include "MivoraUI/Kit/Wordmark.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPushButton>

namespace mivora {

namespace {
// Room the window manager's title bar takes beside the title: an icon and three buttons, with margins.
constexpr int titleBarAllowance = 160;
} // namespace

ConfirmDialog::ConfirmDialog(const QString& question, const QString& destructive, QWidget* parent)
    : QMessageBox(parent) {
    setWindowTitle(Wordmark::text());
    setIcon(QMessageBox::Warning);
    setTextFormat(Qt::PlainText);
    setText(question);
    destructive_ = addButton(destructive, QMessageBox::DestructiveRole);
    cancel_ = addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    // Neither button is "auto default": Enter goes to the default button only, which is "取消".
    destructive_->setAutoDefault(false);
    setDefaultButton(cancel_);
    setEscapeButton(cancel_);
}

bool ConfirmDialog::confirmed() const {
    return clickedButton() == destructive_;
}

int ConfirmDialog::titleWidth(const QWidget* dialog) {
    return QFontMetrics(dialog->font()).horizontalAdvance(dialog->windowTitle()) + titleBarAllowance;
}

void ConfirmDialog::fitTitle(QWidget* dialog) {
    const int needed = titleWidth(dialog);
    if (dialog->minimumWidth() < needed) dialog->setMinimumWidth(needed);
}

bool ConfirmDialog::event(QEvent* event) {
    const bool handled = QMessageBox::event(event);
    // A message box fixes its own size as it is shown and whenever its layout changes, allowing its title
    // less room than a title bar with buttons needs: widen it after each of those.
    if (event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest) {
        const int needed = titleWidth(this);
        if (width() < needed) setFixedWidth(needed);
    }
    return handled;
}

} // namespace mivora
