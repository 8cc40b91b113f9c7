#include "MivoraUI/Account/SignInWaitDialog.h"

#include "MivoraUI/Kit/ConfirmDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace mivora {

SignInWaitDialog::SignInWaitDialog(const QString& provider, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("正在用 %1 登录").arg(provider));
    auto* layout = new QVBoxLayout(this);
    auto* label =
        new QLabel(QStringLiteral("已在浏览器里打开 %1 登录页。\n在浏览器里完成登录后，会自动回到 Veskel。")
                       .arg(provider),
                   this);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(360);
    ConfirmDialog::fitTitle(this);
}

} // namespace mivora
