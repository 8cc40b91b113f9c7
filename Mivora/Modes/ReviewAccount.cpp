#include "Modes/ReviewAccount.h"

#include "Account/AccountService.h"
#include "Support/Paths.h"
#include "Support/UserError.h"

#include <QFile>
#include <QTextStream>

namespace mivora::ReviewAccount {

const QString email = QStringLiteral("review@veskel.app");

bool report(const QString& step, bool passed, const QString& detail) {
    QTextStream(stdout) << (passed ? QStringLiteral("✓ ") : QStringLiteral("✗ ")) << step
                        << (detail.isEmpty() ? QString() : QStringLiteral("：") + detail) << Qt::endl;
    return passed;
}

QString messageOf(std::exception_ptr error) {
    return UserError::messageOf(error).value_or(QStringLiteral("出了点问题，稍后再试。"));
}

QCoro::Task<bool> signIn(AccountService& account, QString step) {
    QFile file(Paths::developerDir() + QStringLiteral("/review_code"));
    if (!file.open(QIODevice::ReadOnly))
        co_return report(step, false, QStringLiteral("读不到 ~/.yarrik/review_code"));
    const QString code = QString::fromUtf8(file.readAll()).trimmed();
    try {
        co_await account.startEmail(email);
        co_await account.verifyEmail(email, code);
        co_return report(step, account.signedIn(), email);
    } catch (...) {
        co_return report(step, false, messageOf(std::current_exception()));
    }
}

} // namespace mivora::ReviewAccount
