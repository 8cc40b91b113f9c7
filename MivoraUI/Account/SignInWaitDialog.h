#pragma once

#include <QDialog>

namespace mivora {

// Shown while the user signs in in the browser: says where to look and offers to give up. Closing it or
// pressing "取消" rejects it.
class SignInWaitDialog final : public QDialog {
    Q_OBJECT
public:
    explicit SignInWaitDialog(const QString& provider, QWidget* parent = nullptr);
};

} // namespace mivora
