#include "Account/RecoveryCode.h"
#include "AccountSectionFixture.h"
#include "Insertion/TextInserter.h"
#include "MivoraUI/Account/SyncRow.h"

#include <QMessageBox>

using namespace mivora;
using namespace mivora::test;
using Content = AccountSection::Content;
using Kind = MemorySync::State::Kind;
using State = MemorySync::State;
using Fault = FakeAccountServer::Fault;

namespace {

const QString ann = QStringLiteral("ann@example.com");

class AccountPanelTest : public AccountSectionTest {
protected:
    AccountPanelTest() {
        server.addReviewAccount(ann, QStringLiteral("111111"));
        a.signIn(ann, QStringLiteral("111111"));
    }
    QMessageBox* dialog() const { return a.section->findChild<QMessageBox*>("deleteDialog"); }
    void chooseInDialog(const char* button) {
        QTest::mouseClick(a.button("delete"), Qt::LeftButton);
        ASSERT_TRUE(dialog() && dialog()->isVisible());
        EXPECT_EQ(dialog()->windowModality(), Qt::WindowModal);
        QTest::mouseClick(dialog()->findChild<QAbstractButton*>(button), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog(); }));
    }
};

} // namespace

TEST(AccountSectionAgo, MinutesAndHoursCutTowardsZero) {
    const QDateTime now(QDate(2025, 3, 7), QTime(9, 0), Qt::UTC);
    const std::pair<int, const char*> cases[] = {{59, "刚刚"},       {-30, "刚刚"},
                                                 {60, "1 分钟前"},   {3599, "59 分钟前"},
                                                 {3600, "1 小时前"}, {3 * 86400, "72 小时前"}};
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(AccountSection::ago(now.addSecs(-seconds), now), text) << seconds;
}

TEST_F(AccountPanelTest, EachSyncStateHasItsRowAndTheSyncedTimeFollowsTheClock) {
    struct Row {
        State state;
        const char* icon;
        QString title;
        const char* button;
    };
    const Row rows[] = {
        {State::of(Kind::off), "arrow.triangle.2.circlepath", "正在同步记忆…", nullptr},
        {State::of(Kind::syncing), "arrow.triangle.2.circlepath", "正在同步记忆…", nullptr},
        {State::of(Kind::unavailable), "icloud.slash", "这个版本不能同步记忆（开发版）", nullptr},
        {State::failed("<b>坏了</b>"), "exclamationmark.icloud", "<b>坏了</b>", "重试"},
        {State::synced(clock.now().addSecs(-59)), "checkmark.icloud", "记忆已和 iPhone 同步 · 刚刚",
         "立即同步"},
    };
    SyncRow* row = a.find<SyncRow>("syncRow");
    for (const Row& r : rows) {
        a.sync.preview(r.state);
        EXPECT_EQ(row->icon(), r.icon);
        EXPECT_EQ(row->title(), r.title);
        EXPECT_EQ(row->button() ? row->button()->text() : QString(), r.button ? r.button : "");
        EXPECT_FALSE(a.shown("recoveryView") || a.shown("enterView"));
    }
    EXPECT_EQ(a.find<QLabel>("syncTitle")->textFormat(), Qt::PlainText);
    scheduler.advance(30);
    EXPECT_EQ(row->title(), "记忆已和 iPhone 同步 · 1 分钟前");

    // "立即同步" runs a pass: this account has no vault yet, so the pass ends with a new code.
    QTest::mouseClick(row->button(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return a.kind() == Kind::showRecoveryCode; }));
    EXPECT_TRUE(a.shown("recoveryView"));
    EXPECT_FALSE(a.shown("syncRow"));
}

// The synced row's "· N 分钟前" is redrawn every 30 s only while that row shows: once the state moves on, or
// the panel goes, no timer is left to wake the program for it.
TEST_F(AccountPanelTest, TheSyncedRowsTimerStopsWhenTheStateLeavesSynced) {
    a.sync.preview(State::of(Kind::off));
    const size_t idle = scheduler.pending();
    const State others[] = {
        State::failed("离线"),           State::of(Kind::syncing),           State::of(Kind::unavailable),
        State::showRecoveryCode("ABCD"), State::of(Kind::needsRecoveryCode), State::of(Kind::off)};
    for (const State& other : others) {
        a.sync.preview(State::synced(clock.now()));
        EXPECT_EQ(scheduler.pending(), idle + 1);
        a.sync.preview(other);
        EXPECT_EQ(scheduler.pending(), idle) << int(other.kind);
    }
    a.sync.preview(State::synced(clock.now()));
    ASSERT_TRUE(TaskProbe<void>(a.account.signOut()).wait());
    EXPECT_NE(a.section->content(), Content::signedIn);
    EXPECT_EQ(scheduler.pending(), idle);
}

TEST_F(AccountPanelTest, TokensWithoutAnAddressOrAKnownMethod) {
    AccountTokens tokens = *a.account.tokens();
    tokens.email.reset();
    tokens.method = "Apple";
    a.tokens.value = tokens;
    ASSERT_TRUE(TaskProbe<void>(a.account.restore()).wait());
    EXPECT_EQ(a.text("accountLine"), "已登录");
    EXPECT_EQ(a.text("methodLine"), "邮箱验证码登录");
}

TEST_F(AccountPanelTest, DeletionAsksFirstAndReportsAFailureUnderThePanel) {
    a.sync.preview(State::failed("离线"));
    chooseInDialog("cancelDelete");
    EXPECT_EQ(server.count("account"), 0);
    EXPECT_EQ(a.kind(), Kind::failed);

    server.fail("account", Fault{.status = 429});
    chooseInDialog("confirmDelete");
    ASSERT_TRUE(a.idle());
    EXPECT_EQ(a.error(), "太频繁了，稍等一会儿再试。");
    EXPECT_EQ(a.section->content(), Content::signedIn);
    EXPECT_TRUE(a.button("signOut")->isEnabled() && a.button("delete")->isEnabled());
    EXPECT_EQ(a.kind(), Kind::failed);

    chooseInDialog("confirmDelete");
    ASSERT_TRUE(a.idle());
    EXPECT_EQ(a.error(), "");
    EXPECT_EQ(a.kind(), Kind::off);
    EXPECT_EQ(a.section->content(), Content::emailStep);
}

// The deletion question is titled with the product, not cut, and Enter cancels it.
TEST_F(AccountPanelTest, TheDeletionQuestionIsTitledWithTheProductAndEnterCancels) {
    QTest::mouseClick(a.button("delete"), Qt::LeftButton);
    ASSERT_TRUE(dialog() && dialog()->isVisible());
    EXPECT_EQ(dialog()->windowTitle(), "Veskel");
    EXPECT_EQ(dialog()->text(), "删除 Veskel 账号？");
    EXPECT_GE(dialog()->width(), QFontMetrics(dialog()->font()).horizontalAdvance("Veskel") + 120);
    QTest::keyClick(dialog(), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog(); }));
    EXPECT_EQ(server.count("account"), 0);
    EXPECT_TRUE(a.account.signedIn());
}

// The first device shows the code once, copies it and creates the vault on confirmation; the second types
// it (lower case, with spaces) after a malformed and a wrong one, and gets the first device's memories.
TEST_F(AccountPanelTest, TheRecoveryCodeIsShownCopiedConfirmedAndTypedOnTheNextDevice) {
    a.store->add("地址", "北京市朝阳区");
    ASSERT_TRUE(TaskProbe<void>(a.sync.sync()).wait());
    ASSERT_EQ(a.kind(), Kind::showRecoveryCode);
    const QString code = a.sync.state().text;
    auto* shownCode = a.find<QLabel>("recoveryCode");
    EXPECT_EQ(shownCode->text(), code);
    EXPECT_EQ(shownCode->textFormat(), Qt::PlainText);
    EXPECT_TRUE(shownCode->textInteractionFlags() & Qt::TextSelectableByMouse);

    a.pasteboard.items = {{{"image/png", "png"}, {"text/html", "<i>x</i>"}}};
    const size_t timers = scheduler.pending();
    a.click("copy");
    ASSERT_EQ(a.pasteboard.itemCount(), 1);
    EXPECT_EQ(a.pasteboard.types(0), QStringList{TextInserter::textType});
    EXPECT_EQ(a.pasteboard.value(TextInserter::textType), code.toUtf8());
    // Copying changes nothing else: the label stays, no message, no timer.
    EXPECT_EQ(a.button("copy")->text(), "复制");
    EXPECT_EQ(a.error(), "");
    EXPECT_EQ(scheduler.pending(), timers);

    a.click("confirmSaved");
    EXPECT_EQ(a.kind(), Kind::syncing);
    EXPECT_TRUE(a.shown("syncRow"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return a.kind() == Kind::synced; }));

    AccountDevice b(server, clock, scheduler);
    b.signIn(ann, QStringLiteral("111111"));
    ASSERT_TRUE(TaskProbe<void>(b.sync.sync()).wait());
    ASSERT_EQ(b.kind(), Kind::needsRecoveryCode);
    EXPECT_FALSE(b.button("enterCode")->isEnabled());
    QTest::keyClick(b.field("recoveryInput"), Qt::Key_Return);
    ASSERT_TRUE(b.idle());
    EXPECT_EQ(b.error(), "恢复码是 26 位字母和数字，检查一下有没有少位。");

    const QString other = RecoveryCode::generate().display();
    b.field("recoveryInput")->setText(other);
    b.click("enterCode");
    ASSERT_TRUE(b.idle());
    EXPECT_EQ(b.error(), "这个恢复码打不开云端的记忆，确认是这个账号的恢复码。");
    EXPECT_EQ(b.field("recoveryInput")->text(), other);
    EXPECT_EQ(b.kind(), Kind::needsRecoveryCode);

    // While the check runs the panel's buttons wait; the field and "再等等" stay usable.
    QString typed = code.toLower();
    typed.replace('-', "  ");
    b.field("recoveryInput")->setText(typed);
    server.fail("vault", Fault{.delayMs = 300, .method = "GET"});
    b.click("enterCode");
    EXPECT_EQ(b.button("enterCode")->text(), "核对中…");
    EXPECT_FALSE(b.button("enterCode")->isEnabled() || b.button("signOut")->isEnabled());
    EXPECT_TRUE(b.field("recoveryInput")->isEnabled() && b.button("waitMore")->isEnabled());
    ASSERT_TRUE(b.idle());
    EXPECT_EQ(b.error(), "");
    EXPECT_EQ(b.field("recoveryInput")->text(), "");
    EXPECT_EQ(b.kind(), Kind::synced);
    EXPECT_EQ(b.store->orderedTitles(), QStringList{"地址"});
}

// "我已经存好了，开始同步" and an accepted recovery code each replace the view that had the focus: the focus
// stays in the block, never on something further down, and the page stays where it was.
TEST_F(AccountPanelTest, ConfirmingOrEnteringTheRecoveryCodeKeepsTheFocusInTheBlockAndThePageInPlace) {
    ASSERT_TRUE(TaskProbe<void>(a.sync.sync()).wait());
    ASSERT_EQ(a.kind(), Kind::showRecoveryCode);
    const QString code = a.sync.state().text;
    {
        PageAroundBlock page(*a.section);
        a.button("confirmSaved")->setFocus();
        QTest::keyClick(a.button("confirmSaved"), Qt::Key_Space);
        ASSERT_TRUE(QTest::qWaitFor([&] { return a.kind() == Kind::synced; }));
        EXPECT_TRUE(a.section->isAncestorOf(QApplication::focusWidget()));
        EXPECT_EQ(page.place(), 380);
    }

    AccountDevice b(server, clock, scheduler);
    b.signIn(ann, QStringLiteral("111111"));
    ASSERT_TRUE(TaskProbe<void>(b.sync.sync()).wait());
    ASSERT_EQ(b.kind(), Kind::needsRecoveryCode);
    PageAroundBlock page(*b.section);
    b.field("recoveryInput")->setFocus();
    b.field("recoveryInput")->setText(code);
    QTest::keyClick(b.field("recoveryInput"), Qt::Key_Return);
    ASSERT_TRUE(b.idle());
    ASSERT_EQ(b.kind(), Kind::synced);
    EXPECT_TRUE(b.section->isAncestorOf(QApplication::focusWidget()));
    EXPECT_NE(QApplication::focusWidget(), page.below);
    EXPECT_EQ(page.place(), 380);
}

TEST_F(AccountPanelTest, ABlockClosedWithItsDialogOpenLeavesTheAccountAlone) {
    QTest::mouseClick(a.button("delete"), Qt::LeftButton);
    ASSERT_TRUE(dialog());
    a.section.reset();
    QCoreApplication::processEvents();
    EXPECT_TRUE(a.account.signedIn());
    EXPECT_EQ(server.count("account"), 0);
}
