#pragma once

#include "Account/MemorySync.h"
#include "Account/WebSignIn.h"
#include "Support/Scheduler.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QMessageBox;

namespace mivora {

class StyledLabel;
class AccountService;
class AppModel;
class BrowserSheet;
class Clock;
class Pasteboard;
class SpringAnimation;
class SyncRow;
struct AccountTokens;

// The account and sync block of the settings page. It shows one of: a note that this build has no account
// service; the sign-in flow (Apple, Google, or an e-mailed six-digit code in two steps); or, while signed in,
// the account with sign-out and deletion above the sync area (one status row, or the recovery-code views).
// One error line under it is shared by every account action, which all run through `run`.
//
// The block only calls the account service, the web sign-in and the sync engine and shows what they
// publish; it keeps no state beyond its own view. Actions outlive the block: everything they do after an
// await checks that the block still exists. Every text that comes from the user or a server is shown as
// plain text.
//
// Implementation: construction, layout and the sign-in flow here; the signed-in panel and the sync area
// in +SignedIn; the recovery-code views in +Recovery.
class AccountSection final : public QWidget {
    Q_OBJECT
public:
    // What the block works with; the services outlive it. Without an account service (or one without a
    // server) the block shows only its note; without a sync engine the sync area says sync is unavailable;
    // without a browser, Apple and Google fail with the service's "unavailable" message.
    struct Parts {
        AccountService* account = nullptr;
        MemorySync* sync = nullptr;
        BrowserSheet* browser = nullptr;
        const Clock& clock;
        Scheduler& scheduler;
        Pasteboard& pasteboard;
        WebSignIn::GoogleEndpoints google = WebSignIn::defaultGoogle();
    };
    explicit AccountSection(Parts parts, QWidget* parent = nullptr);
    // The services and environment the window's model lends the pages.
    explicit AccountSection(const AppModel& model, QWidget* parent = nullptr);
    ~AccountSection() override;

    // What the block shows.
    enum class Content { notConfigured, emailStep, codeStep, signedIn };
    Content content() const;

    // The text of a sync time `date` seen at `now`: "刚刚" under a minute (and for a time after now),
    // then whole minutes, then whole hours without a larger unit.
    static QString ago(const QDateTime& date, const QDateTime& now);
    // Keeps the decimal digits of `text` (any script's, written as ASCII digits), the first six of them.
    static QString codeDigits(const QString& text);
    // Without white space and line breaks at either end, in full lower case.
    static QString normalised(const QString& email);

    // The actions, as the controls trigger them.
    void sendCode();
    void verify();
    void enterCode();
    // Runs one account action: busy while it runs, the error line cleared when it starts and set to the
    // failure's message when it fails ("出了点问题，稍后再试。" for a failure without one); a rejected
    // e-mail code also empties the code field. Returns at once.
    void run(std::function<QCoro::Task<>()> work);

    // Someone was sent here to sign in: the field they type in next (the e-mail, or the code once one
    // was sent) takes the focus. Signed in, or without an account service, nothing moves.
    void focusSignIn();

    bool busy() const { return busy_; }
    std::optional<QString> error() const { return error_; }
    // The address the code step is about: the one the last successful send went to.
    QString sentTo() const { return sentTo_; }

private:
    void buildSignIn();
    void buildPanel();
    QWidget* buildSyncArea();
    QWidget* buildRecoveryView();
    QWidget* buildEnterView();

    // Shows what the services and the view state say now.
    void refresh();
    void refreshSignIn();
    void refreshPanel();
    void refreshSync();
    void refreshResend();
    void refreshSynced();
    void refreshRecovery();
    void fadeIn();
    // After a code was sent: its field takes the focus, unless the user is typing in another field.
    void focusCodeField();
    // Shows and hides `parts` as paired; when the focus is in one that goes, `focus` takes it first.
    void switchParts(std::initializer_list<std::pair<QWidget*, bool>> parts, QWidget* focus);

    void setBusy(bool busy);
    void setError(std::optional<QString> error);
    void setCode(const QString& code);
    void setCodeSent(bool sent);
    void setRecoveryInput(const QString& text);
    void codeChanged(const QString& text);
    void send(const QString& address);
    void signInWeb(bool apple);
    void openDeleteDialog();
    void deleteAccount();
    void startSync();
    static QCoro::Task<> perform(QPointer<AccountSection> self, std::function<QCoro::Task<>()> work);
    static QCoro::Task<> detached(QCoro::Task<> task);
    // Enables `widget` and gives it the faded look of a disabled control when it is not enabled.
    static void setActive(QWidget* widget, bool active);

    Parts parts_;
    std::shared_ptr<WebSignIn> web_; // shared with the sign-ins running, which may outlive the block

    // View state.
    QString email_;
    QString code_;
    QString recoveryInput_;
    QString sentTo_;
    bool codeSent_ = false;
    bool busy_ = false;
    std::optional<QString> error_;
    QDateTime resendAt_; // invalid: long past
    std::optional<Content> shown_;
    std::optional<MemorySync::State::Kind> syncShown_;

    Scheduler::TimerId resendTimer_ = 0;
    Scheduler::TimerId syncedTimer_ = 0;

    // Widgets.
    QWidget* content_ = nullptr;
    SpringAnimation* fade_ = nullptr;
    StyledLabel* note_ = nullptr;
    QWidget* emailStep_ = nullptr;
    QWidget* webRow_ = nullptr;
    QLineEdit* emailField_ = nullptr;
    QAbstractButton* send_ = nullptr;
    QWidget* codeStep_ = nullptr;
    StyledLabel* sentLabel_ = nullptr;
    QLineEdit* codeField_ = nullptr;
    QAbstractButton* login_ = nullptr;
    QAbstractButton* resend_ = nullptr;
    QWidget* panel_ = nullptr;
    StyledLabel* accountLine_ = nullptr;
    StyledLabel* methodLine_ = nullptr;
    QAbstractButton* signOut_ = nullptr;
    QAbstractButton* delete_ = nullptr;
    SyncRow* syncRow_ = nullptr;
    QWidget* recoveryView_ = nullptr;
    QLabel* recoveryCode_ = nullptr;
    QWidget* enterView_ = nullptr;
    QLineEdit* recoveryField_ = nullptr;
    QAbstractButton* enter_ = nullptr;
    StyledLabel* errorLine_ = nullptr;
    QPointer<QMessageBox> deleteDialog_;
};

} // namespace mivora
