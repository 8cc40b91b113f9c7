#include "MivoraUI/Account/AccountSection.h"

#include "Account/AccountService.h"
#include "MivoraUI/Account/SyncRow.h"
#include "MivoraUI/Kit/ConfirmDialog.h"
#include "MivoraUI/Kit/SoftButton.h"
#include "MivoraUI/Kit/StyledLabel.h"
#include "Platform/PlatformWords.h"
#include "Support/Clock.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mivora {

using Kind = MemorySync::State::Kind;

void AccountSection::buildPanel() {
    panel_ = new QWidget;
    panel_->setObjectName(QStringLiteral("signedIn"));
    auto* panel = new QVBoxLayout(panel_);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->setSpacing(12);

    auto* accountRow = new QHBoxLayout;
    auto* who = new QVBoxLayout;
    who->setSpacing(2);
    accountLine_ = new StyledLabel({}, 13);
    accountLine_->setObjectName(QStringLiteral("accountLine"));
    methodLine_ = new StyledLabel({}, 11.5, QFont::Normal, StyledLabel::Style::secondary);
    methodLine_->setObjectName(QStringLiteral("methodLine"));
    who->addWidget(accountLine_);
    who->addWidget(methodLine_);
    accountRow->addLayout(who);
    accountRow->addStretch(1);
    signOut_ = new SoftButton(QStringLiteral("退出登录"));
    signOut_->setObjectName(QStringLiteral("signOut"));
    connect(signOut_, &QAbstractButton::clicked, this, [this] {
        AccountService* account = parts_.account;
        // The shell resets the sync engine when it sees the sign-in end.
        run([account]() -> QCoro::Task<> { co_await account->signOut(); });
    });
    accountRow->addWidget(signOut_);
    delete_ = new SoftButton(QStringLiteral("删除账号"));
    delete_->setObjectName(QStringLiteral("delete"));
    connect(delete_, &QAbstractButton::clicked, this, &AccountSection::openDeleteDialog);
    accountRow->addWidget(delete_);
    panel->addLayout(accountRow);

    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setStyleSheet(QStringLiteral("color: rgba(128, 128, 128, 60);"));
    panel->addWidget(divider);
    panel->addWidget(buildSyncArea());
}

QWidget* AccountSection::buildSyncArea() {
    auto* area = new QWidget;
    area->setObjectName(QStringLiteral("syncArea"));
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    syncRow_ = new SyncRow;
    syncRow_->setObjectName(QStringLiteral("syncRow"));
    connect(syncRow_, &SyncRow::triggered, this, &AccountSection::startSync);
    layout->addWidget(syncRow_);
    layout->addWidget(buildRecoveryView());
    layout->addWidget(buildEnterView());
    return area;
}

void AccountSection::refreshPanel() {
    if (parts_.account && parts_.account->tokens()) {
        const AccountTokens& tokens = *parts_.account->tokens();
        accountLine_->setText(tokens.email.value_or(QStringLiteral("已登录")));
        methodLine_->setText(tokens.method == QLatin1String("apple") ? QStringLiteral("通过 Apple 登录")
                             : tokens.method == QLatin1String("google") ? QStringLiteral("通过 Google 登录")
                                                                        : QStringLiteral("邮箱验证码登录"));
    }
    setActive(signOut_, !busy_);
    setActive(delete_, !busy_);
}

void AccountSection::refreshSync() {
    const MemorySync::State state =
        parts_.sync ? parts_.sync->state() : MemorySync::State::of(Kind::unavailable);
    const bool showing = state.kind == Kind::showRecoveryCode;
    const bool asking = state.kind == Kind::needsRecoveryCode;
    switchParts({{syncRow_, !showing && !asking}, {recoveryView_, showing}, {enterView_, asking}},
                asking    ? static_cast<QWidget*>(recoveryField_)
                : showing ? recoveryView_
                          : syncRow_);
    switch (state.kind) {
    case Kind::off:
    case Kind::syncing:
        syncRow_->set(QStringLiteral("arrow.triangle.2.circlepath"), QStringLiteral("正在同步记忆…"),
                      std::nullopt);
        break;
    case Kind::unavailable:
        syncRow_->set(QStringLiteral("icloud.slash"), QStringLiteral("这个版本不能同步记忆（开发版）"),
                      std::nullopt);
        break;
    case Kind::synced:
        refreshSynced();
        break;
    case Kind::failed:
        syncRow_->set(QStringLiteral("exclamationmark.icloud"), state.text, QStringLiteral("重试"));
        break;
    case Kind::showRecoveryCode:
        recoveryCode_->setText(state.text);
        break;
    case Kind::needsRecoveryCode:
        break;
    }
    refreshRecovery();

    // The synced row's relative time is redrawn every 30 s while it is on screen.
    const bool timed = state.kind == Kind::synced && content() == Content::signedIn;
    if (timed && syncedTimer_ == 0) {
        syncedTimer_ = parts_.scheduler.every(30.0, [this] { refreshSynced(); });
    } else if (!timed && syncedTimer_ != 0) {
        parts_.scheduler.cancel(syncedTimer_);
        syncedTimer_ = 0;
    }
}

void AccountSection::refreshSynced() {
    if (!parts_.sync || parts_.sync->state().kind != Kind::synced) return;
    syncRow_->set(QStringLiteral("checkmark.icloud"),
                  QStringLiteral("记忆已和 iPhone 同步 · ") +
                      ago(parts_.sync->state().at, parts_.clock.now()),
                  QStringLiteral("立即同步"));
}

QString AccountSection::ago(const QDateTime& date, const QDateTime& now) {
    const qint64 s = date.msecsTo(now) / 1000; // whole seconds, cut towards zero
    if (s < 60) return QStringLiteral("刚刚");
    if (s < 3600) return QStringLiteral("%1 分钟前").arg(s / 60);
    return QStringLiteral("%1 小时前").arg(s / 3600);
}

void AccountSection::startSync() {
    if (parts_.sync) detached(parts_.sync->sync());
}

void AccountSection::openDeleteDialog() {
    if (deleteDialog_) return;
    // Window-modal and opened without a nested event loop: the window stays drawn behind it, and nothing
    // of the block runs inside the dialog's own loop.
    auto* box = new ConfirmDialog(QStringLiteral("删除 Veskel 账号？"), QStringLiteral("删除账号"), this);
    box->setObjectName(QStringLiteral("deleteDialog"));
    box->setWindowModality(Qt::WindowModal);
    box->setInformativeText(PlatformWords::forThisComputer(QStringLiteral(
        "服务器上的账号、登录方式和加密备份的记忆都会删掉，不能恢复。这台 Mac 上的记忆不受影响。")));
    box->destructiveButton()->setObjectName(QStringLiteral("confirmDelete"));
    box->cancelButton()->setObjectName(QStringLiteral("cancelDelete"));
    connect(box, &QDialog::finished, this, [this, box] {
        const bool chosen = box->confirmed();
        deleteDialog_ = nullptr;
        box->deleteLater();
        if (chosen) deleteAccount();
    });
    deleteDialog_ = box;
    box->open();
}

void AccountSection::deleteAccount() {
    AccountService* account = parts_.account;
    MemorySync* sync = parts_.sync;
    if (!account) return;
    run([account, sync]() -> QCoro::Task<> {
        co_await account->deleteAccount();
        if (sync) sync->reset();
    });
}

} // namespace mivora
