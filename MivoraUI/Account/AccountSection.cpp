#include "MivoraUI/Account/AccountSection.h"

#include "Account/AccountError.h"
#include "Account/AccountService.h"
#include "Account/SignInCancelled.h"
#include "MivoraUI/Kit/PrimaryButton.h"
#include "MivoraUI/Kit/SoftButton.h"
#include "MivoraUI/Kit/SpringAnimation.h"
#include "MivoraUI/Kit/StyledLabel.h"
#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Model/AppModel.h"
#include "Platform/Platform.h"
#include "Support/Clock.h"
#include "Support/Text.h"
#include "Support/UserError.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace mivora {

namespace {

const QString fallbackMessage = QStringLiteral("出了点问题，稍后再试。");

// A button drawn as text alone, in the secondary colour (fainter while disabled).
class TextButton final : public QAbstractButton {
public:
    TextButton(const QString& text, const char* name) {
        setText(text);
        setObjectName(QLatin1String(name));
        setFont(UI::font(12));
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        const QFontMetrics fm(font());
        return {fm.horizontalAdvance(text()) + 4, fm.height() + 6};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QColor ink = StyledLabel::color(StyledLabel::Style::secondary, palette());
        if (!isEnabled()) ink.setAlphaF(ink.alphaF() * 0.6f);
        if (isDown()) ink.setAlphaF(ink.alphaF() * 0.7f);
        painter.setPen(ink);
        painter.setFont(font());
        painter.drawText(rect(), Qt::AlignCenter, text());
    }
};

QVBoxLayout* column(QWidget* widget, int spacing) {
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

} // namespace

AccountSection::AccountSection(Parts parts, QWidget* parent)
    : QWidget(parent), parts_(std::move(parts)),
      web_(parts_.browser ? std::make_shared<WebSignIn>(*parts_.browser, parts_.google) : nullptr) {
    setObjectName(QStringLiteral("accountSection"));
    auto* root = column(this, 10);
    content_ = new QWidget;
    content_->setObjectName(QStringLiteral("content"));
    auto* stack = column(content_, 0);
    note_ = new StyledLabel(QStringLiteral("这个版本还没接上账号服务。"), 12.5, QFont::Normal,
                            StyledLabel::Style::secondary);
    note_->setObjectName(QStringLiteral("note"));
    stack->addWidget(note_);
    buildSignIn();
    stack->addWidget(emailStep_);
    stack->addWidget(codeStep_);
    buildPanel();
    stack->addWidget(panel_);
    root->addWidget(content_);

    errorLine_ = new StyledLabel({}, 11.5, QFont::Normal, StyledLabel::Style::orange);
    errorLine_->setObjectName(QStringLiteral("error"));
    errorLine_->setWordWrap(true);
    root->addWidget(errorLine_);
    root->addStretch(1);

    fade_ = new SpringAnimation(1.0, this);
    connect(fade_, &QVariantAnimation::valueChanged, this, [this] {
        if (auto* effect = qobject_cast<QGraphicsOpacityEffect*>(content_->graphicsEffect()))
            effect->setOpacity(fade_->value().toDouble());
    });
    connect(fade_, &QAbstractAnimation::finished, this, [this] { content_->setGraphicsEffect(nullptr); });

    if (parts_.account)
        connect(parts_.account, &AccountService::tokensChanged, this, &AccountSection::refresh);
    if (parts_.sync) connect(parts_.sync, &MemorySync::stateChanged, this, &AccountSection::refresh);
    refresh();
}

AccountSection::AccountSection(const AppModel& model, QWidget* parent)
    : AccountSection(Parts{.account = model.account(),
                           .sync = model.sync(),
                           .browser = model.environment().browser,
                           .clock = model.environment().clock,
                           .scheduler = model.environment().scheduler,
                           .pasteboard = model.environment().platform.pasteboard()},
                     parent) {}

AccountSection::~AccountSection() {
    // The dialog is a child: it must not report its closing to a block that is half gone.
    if (deleteDialog_) {
        deleteDialog_->disconnect(this);
        delete deleteDialog_;
    }
    // Only a pending timer needs the scheduler.
    for (const Scheduler::TimerId timer : {resendTimer_, syncedTimer_})
        if (timer != 0) parts_.scheduler.cancel(timer);
}

void AccountSection::buildSignIn() {
    emailStep_ = new QWidget;
    emailStep_->setObjectName(QStringLiteral("emailStep"));
    auto* email = column(emailStep_, 8);

    webRow_ = new QWidget;
    auto* web = new QHBoxLayout(webRow_);
    web->setContentsMargins(0, 0, 0, 0);
    web->setSpacing(8);
    auto* apple = new PrimaryButton(QStringLiteral("通过 Apple 登录"));
    apple->setObjectName(QStringLiteral("apple"));
    apple->setSymbol(QStringLiteral("apple.logo"));
    auto* google = new SoftButton(QStringLiteral("通过 Google 登录"));
    google->setObjectName(QStringLiteral("google"));
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(apple), static_cast<QAbstractButton*>(google)}) {
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        web->addWidget(b, 1);
    }
    connect(apple, &QAbstractButton::clicked, this, [this] { signInWeb(true); });
    connect(google, &QAbstractButton::clicked, this, [this] { signInWeb(false); });
    email->addWidget(webRow_);

    auto* orLine =
        new StyledLabel(QStringLiteral("或者用邮箱"), 11.5, QFont::Normal, StyledLabel::Style::tertiary);
    orLine->setAlignment(Qt::AlignCenter);
    email->addWidget(orLine);

    auto* row = new QHBoxLayout;
    emailField_ = new QLineEdit;
    emailField_->setObjectName(QStringLiteral("email"));
    emailField_->setPlaceholderText(QStringLiteral("邮箱"));
    emailField_->setAccessibleName(QStringLiteral("邮箱"));
    emailField_->setInputMethodHints(Qt::ImhEmailCharactersOnly | Qt::ImhNoAutoUppercase);
    connect(emailField_, &QLineEdit::textChanged, this, [this](const QString& text) {
        email_ = text;
        refresh();
    });
    // Return while another action runs would start a second send beside it.
    connect(emailField_, &QLineEdit::returnPressed, this, [this] {
        if (!busy_) sendCode();
    });
    row->addWidget(emailField_, 1);
    send_ = new SoftButton(QStringLiteral("发送验证码"));
    send_->setObjectName(QStringLiteral("send"));
    connect(send_, &QAbstractButton::clicked, this, &AccountSection::sendCode);
    row->addWidget(send_);
    email->addLayout(row);

    codeStep_ = new QWidget;
    codeStep_->setObjectName(QStringLiteral("codeStep"));
    auto* code = column(codeStep_, 8);
    sentLabel_ = new StyledLabel({}, 12.5, QFont::Normal, StyledLabel::Style::secondary);
    sentLabel_->setObjectName(QStringLiteral("sentTo"));
    sentLabel_->setWordWrap(true);
    code->addWidget(sentLabel_);
    auto* codeRow = new QHBoxLayout;
    codeField_ = new QLineEdit;
    codeField_->setObjectName(QStringLiteral("code"));
    codeField_->setPlaceholderText(QStringLiteral("6 位验证码"));
    codeField_->setAccessibleName(QStringLiteral("验证码"));
    codeField_->setFont(UI::font(14));
    codeField_->setFixedWidth(140);
    codeField_->setInputMethodHints(Qt::ImhDigitsOnly);
    connect(codeField_, &QLineEdit::textChanged, this, &AccountSection::codeChanged);
    connect(codeField_, &QLineEdit::returnPressed, this, &AccountSection::verify);
    codeRow->addWidget(codeField_);
    auto* login = new PrimaryButton(QStringLiteral("登录"));
    login->setObjectName(QStringLiteral("login"));
    login_ = login;
    connect(login_, &QAbstractButton::clicked, this, &AccountSection::verify);
    codeRow->addWidget(login_);
    codeRow->addStretch(1);
    resend_ = new TextButton(QStringLiteral("重新发送"), "resend");
    // Again to the address the code step is about, whatever the e-mail field holds by now.
    connect(resend_, &QAbstractButton::clicked, this, [this] { send(sentTo_); });
    codeRow->addWidget(resend_);
    auto* other = new TextButton(QStringLiteral("换个邮箱"), "changeEmail");
    connect(other, &QAbstractButton::clicked, this, [this] {
        setCodeSent(false);
        setCode({});
        setError(std::nullopt);
    });
    codeRow->addWidget(other);
    code->addLayout(codeRow);
}

AccountSection::Content AccountSection::content() const {
    if (!parts_.account || !parts_.account->configured()) return Content::notConfigured;
    if (parts_.account->signedIn()) return Content::signedIn;
    return codeSent_ ? Content::codeStep : Content::emailStep;
}

QString AccountSection::normalised(const QString& email) {
    return Text::toLower(Text::trimWhitespace(email));
}

QString AccountSection::codeDigits(const QString& text) {
    QString digits;
    for (const char32_t c : text.toUcs4()) {
        if (digits.size() == 6) break;
        // Decimal digits of every script, as the server reads them; other numerals (½, ², Ⅷ) are not digits.
        if (const int value = Text::decimalDigit(c); value >= 0) digits.append(QChar(u'0' + value));
    }
    return digits;
}

void AccountSection::sendCode() {
    const QString address = normalised(email_);
    if (!AccountService::looksLikeEmail(address)) return;
    send(address);
}

void AccountSection::send(const QString& address) {
    AccountService* account = parts_.account;
    if (!account) return;
    run([self = QPointer(this), account, address]() -> QCoro::Task<> {
        co_await account->startEmail(address);
        if (!self) co_return;
        // The code went to this address: the code step, the check and a resend all use it from now on.
        self->sentTo_ = address;
        self->setCodeSent(true);
        self->setCode({});
        self->focusCodeField();
        self->resendAt_ = self->parts_.clock.now().addSecs(60);
        // The countdown ticks from now, so its last tick falls on the moment a resend is allowed.
        if (self->resendTimer_ != 0) self->parts_.scheduler.cancel(self->resendTimer_);
        self->resendTimer_ = 0;
        self->refresh();
    });
}

void AccountSection::verify() {
    AccountService* account = parts_.account;
    if (!account || code_.size() != 6 || busy_) return;
    run([account, address = sentTo_, code = code_]() -> QCoro::Task<> {
        co_await account->verifyEmail(address, code);
    });
}

void AccountSection::codeChanged(const QString& text) {
    code_ = text;
    const QString digits = codeDigits(text);
    if (digits != text) {
        codeField_->setText(digits); // runs this again, which then finds nothing to change
        return;
    }
    if (digits.size() == 6) verify();
    refresh();
}

void AccountSection::signInWeb(bool apple) {
    AccountService* account = parts_.account;
    if (!account) return;
    run([web = web_, account, apple]() -> QCoro::Task<> {
        if (!web) throw AccountError(AccountError::Kind::unavailable);
        try {
            if (apple)
                co_await web->apple(*account);
            else
                co_await web->google(*account);
        } catch (const SignInCancelled&) {
            // The user closed the sign-in: nothing to report.
        }
    });
}

void AccountSection::run(std::function<QCoro::Task<>()> work) {
    setBusy(true);
    setError(std::nullopt);
    detached(perform(QPointer(this), std::move(work)));
}

QCoro::Task<> AccountSection::perform(QPointer<AccountSection> self, std::function<QCoro::Task<>()> work) {
    std::exception_ptr failure;
    try {
        co_await work();
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self) co_return;
    if (failure) {
        self->setError(UserError::messageOf(failure).value_or(fallbackMessage));
        try {
            std::rethrow_exception(failure);
        } catch (const AccountError& e) {
            if (e.kind() == AccountError::Kind::badCode) self->setCode({});
        } catch (...) {
        }
    }
    self->setBusy(false);
}

QCoro::Task<> AccountSection::detached(QCoro::Task<> task) {
    try {
        co_await std::move(task);
    } catch (...) {
        // The sync engine reports through its state, never by throwing; nothing may escape into Qt.
    }
}

void AccountSection::setBusy(bool busy) {
    busy_ = busy;
    refresh();
}

void AccountSection::setError(std::optional<QString> error) {
    error_ = std::move(error);
    refresh();
}

void AccountSection::setCode(const QString& code) {
    if (codeField_->text() != code) codeField_->setText(code);
}

void AccountSection::setCodeSent(bool sent) {
    codeSent_ = sent;
    refresh();
}

void AccountSection::setActive(QWidget* widget, bool active) {
    widget->setEnabled(active);
    if (active) {
        widget->setGraphicsEffect(nullptr);
    } else if (!widget->graphicsEffect()) {
        auto* effect = new QGraphicsOpacityEffect;
        effect->setOpacity(0.45);
        widget->setGraphicsEffect(effect);
    }
}

void AccountSection::refresh() {
    const Content now = content();
    if (shown_ && *shown_ != now) fadeIn();
    shown_ = now;
    QWidget* focus = now == Content::codeStep    ? static_cast<QWidget*>(codeField_)
                     : now == Content::emailStep ? static_cast<QWidget*>(emailField_)
                     : now == Content::signedIn  ? panel_
                                                 : this;
    switchParts({{note_, now == Content::notConfigured},
                 {emailStep_, now == Content::emailStep},
                 {codeStep_, now == Content::codeStep},
                 {panel_, now == Content::signedIn}},
                focus);
    refreshSignIn();
    refreshPanel();
    refreshSync();
    errorLine_->setVisible(error_.has_value());
    errorLine_->setText(error_.value_or(QString()));
}

void AccountSection::refreshSignIn() {
    setActive(webRow_, !busy_);
    send_->setText(busy_ ? QStringLiteral("发送中…") : QStringLiteral("发送验证码"));
    send_->updateGeometry();
    setActive(send_, !busy_ && AccountService::looksLikeEmail(normalised(email_)));
    sentLabel_->setText(QStringLiteral("验证码已发到 ") + sentTo_ + QStringLiteral("，10 分钟内有效。"));
    login_->setText(busy_ ? QStringLiteral("登录中…") : QStringLiteral("登录"));
    login_->updateGeometry();
    setActive(login_, !busy_ && code_.size() == 6);

    const bool onCodeStep = content() == Content::codeStep;
    if (onCodeStep && resendTimer_ == 0) {
        resendTimer_ = parts_.scheduler.every(1.0, [this] { refreshResend(); });
    } else if (!onCodeStep && resendTimer_ != 0) {
        parts_.scheduler.cancel(resendTimer_);
        resendTimer_ = 0;
    }
    refreshResend();
}

void AccountSection::refreshResend() {
    const qint64 ms = resendAt_.isValid() ? parts_.clock.now().msecsTo(resendAt_) : 0;
    const auto left = qint64(std::ceil(double(ms) / 1000.0));
    resend_->setText(left > 0 ? QStringLiteral("%1 秒后可重发").arg(left) : QStringLiteral("重新发送"));
    resend_->updateGeometry();
    resend_->setEnabled(left <= 0 && !busy_);
    resend_->update();
}

void AccountSection::focusCodeField() {
    // The code is what the user types next, so the digits typed at once land in its field; only someone
    // already typing in another field (the wait for the server can be long) keeps their place.
    const QWidget* focused = QApplication::focusWidget();
    const bool typingElsewhere = focused && !isAncestorOf(focused) &&
                                 (focused->inherits("QLineEdit") || focused->inherits("QTextEdit") ||
                                  focused->inherits("QPlainTextEdit"));
    if (!typingElsewhere && codeField_->isVisible()) codeField_->setFocus(Qt::OtherFocusReason);
}

void AccountSection::focusSignIn() {
    const Content now = content();
    if (now == Content::emailStep) emailField_->setFocus(Qt::OtherFocusReason);
    if (now == Content::codeStep) codeField_->setFocus(Qt::OtherFocusReason);
}

void AccountSection::switchParts(std::initializer_list<std::pair<QWidget*, bool>> parts, QWidget* focus) {
    // What comes first, so the focus has somewhere to go before anything it is in goes.
    for (const auto& [part, shown] : parts)
        if (shown) part->setVisible(true);
    // A focused widget that is hidden hands the focus on to the next one in the window's chain, which may
    // be a switch further down the page, and a scroll area then scrolls to it. The step that comes asks
    // for its own field instead (or, with none, keeps the focus in the block), so typing goes on where the
    // user looks and the page stays where it is.
    const QWidget* focused = QApplication::focusWidget();
    for (const auto& [part, shown] : parts)
        if (!shown && focused && part->isAncestorOf(focused)) {
            focus->setFocus(Qt::OtherFocusReason);
            break;
        }
    for (const auto& [part, shown] : parts)
        if (!shown) part->setVisible(false);
}

void AccountSection::fadeIn() {
    auto* effect = new QGraphicsOpacityEffect;
    effect->setOpacity(0);
    content_->setGraphicsEffect(effect);
    fade_->jumpTo(0.0);
    fade_->springTo(1.0, UI::smooth);
}

} // namespace mivora
