#pragma once

#include <QCoro/QCoroTask>
#include <QString>

#include <exception>

namespace mivora {

class AccountService;

// What the account diagnostics share: one "✓"/"✗" line per step and the sign-in with the review account.
namespace ReviewAccount {

extern const QString email;

// Prints "✓ step" or "✗ step", with "：detail" when there is one, and passes the outcome on.
bool report(const QString& step, bool passed, const QString& detail = {});
// The user-facing text of what a step threw.
QString messageOf(std::exception_ptr error);
// Signs `account` in with the review account, whose code is in ~/.yarrik/review_code; reports the step
// under `step`.
QCoro::Task<bool> signIn(AccountService& account, QString step);

} // namespace ReviewAccount
} // namespace mivora
