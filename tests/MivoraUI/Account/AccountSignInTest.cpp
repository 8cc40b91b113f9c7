#include "Account/AccountError.h"
#include "AccountSectionFixture.h"

using namespace mivora;
using namespace mivora::test;
using Content = AccountSection::Content;
using Fault = FakeAccountServer::Fault;

namespace {

const QString ann = QStringLiteral("ann@example.com");

} // namespace

TEST(AccountSectionAlone, WithoutAServerShowsOnlyTheNote) {
    FakeClock clock;
    FakeScheduler scheduler{clock};
    MemoryDefaults defaults;
    MemoryTokenStore tokens;
    QtScheduler networkTimers;
    HttpClient network{networkTimers};
    AccountService account(std::nullopt, tokens, network, defaults, clock);
    MemoryPasteboard pasteboard;
    AccountSection section(
        {.account = &account, .clock = clock, .scheduler = scheduler, .pasteboard = pasteboard});
    section.show();
    EXPECT_EQ(section.content(), Content::notConfigured);
    for (QAbstractButton* b : section.findChildren<QAbstractButton*>())
        EXPECT_FALSE(b->isVisibleTo(&section)) << b->text().toStdString();
    EXPECT_EQ(section.findChild<QLabel*>("note")->text(), "这个版本还没接上账号服务。");
}

TEST_F(AccountSectionTest, TheAddressIsCheckedAndSentTrimmedInLowerCase) {
    // The address rule itself is the account service's; here the button and Return follow it.
    a.field("email")->setText("a@b.cd");
    EXPECT_TRUE(a.button("send")->isEnabled());
    a.field("email")->setText("a@b.c");
    EXPECT_FALSE(a.button("send")->isEnabled());
    QTest::keyClick(a.field("email"), Qt::Key_Return);
    QTest::qWait(50);
    EXPECT_EQ(server.count("auth/email/start"), 0);

    a.field("email")->setText("  Ann@Example.COM \n");
    QTest::keyClick(a.field("email"), Qt::Key_Return);
    ASSERT_TRUE(a.idle());
    EXPECT_EQ(body("auth/email/start")["email"].toString(), ann);
    EXPECT_EQ(a.section->content(), Content::codeStep);
    EXPECT_EQ(a.text("sentTo"), "验证码已发到 ann@example.com，10 分钟内有效。");
    EXPECT_EQ(a.field("email")->text(), "  Ann@Example.COM \n");
    // Lowering is full lower-casing: a capital sigma at the end of a word is the final form.
    EXPECT_EQ(AccountSection::normalised(QStringLiteral("\u3000ΟΔΥΣΣΕΥΣ@Example.GR\u2029")),
              QStringLiteral("οδυσσευς@example.gr"));
}

TEST_F(AccountSectionTest, ResendCountsDownFromSixtyAndASuccessfulResendEmptiesTheCode) {
    a.field("email")->setText(ann);
    a.click("send");
    ASSERT_TRUE(a.idle());
    QAbstractButton* resend = a.button("resend");
    EXPECT_EQ(resend->text(), "60 秒后可重发");
    EXPECT_FALSE(resend->isEnabled());
    scheduler.advance(1);
    EXPECT_EQ(resend->text(), "59 秒后可重发");
    scheduler.advance(58);
    EXPECT_EQ(resend->text(), "1 秒后可重发");
    scheduler.advance(1);
    EXPECT_EQ(resend->text(), "重新发送");
    ASSERT_TRUE(resend->isEnabled());

    a.field("code")->setText("12");
    server.fail("auth/email/start", Fault{.status = 429});
    a.click("resend");
    ASSERT_TRUE(a.idle());
    EXPECT_EQ(a.error(), "太频繁了，稍等一会儿再试。");
    EXPECT_EQ(resend->text(), "重新发送");
    EXPECT_EQ(a.field("code")->text(), "12");

    a.click("resend");
    ASSERT_TRUE(a.idle());
    EXPECT_EQ(a.error(), "");
    EXPECT_EQ(a.field("code")->text(), "");
    EXPECT_EQ(resend->text(), "60 秒后可重发");
}

// The countdown rounds up, so it never says "now" early, and "重新发送" comes back at the very moment the
// wait ends, also when a resend made between the countdown's seconds sets that moment.
TEST_F(AccountSectionTest, TheResendCountdownRoundsUpAndEndsExactlyWhenTheWaitDoes) {
    a.field("email")->setText(ann);
    a.click("send");
    ASSERT_TRUE(a.idle());
    QAbstractButton* resend = a.button("resend");
    scheduler.advance(60.4);
    ASSERT_TRUE(resend->isEnabled());
    a.click("resend");
    ASSERT_TRUE(a.idle());
    EXPECT_EQ(resend->text(), "60 秒后可重发");

    scheduler.advance(0.5);
    a.field("code")->setText("1"); // anything that redraws the block between two ticks
    EXPECT_EQ(resend->text(), "60 秒后可重发");
    scheduler.advance(59.0);
    EXPECT_EQ(resend->text(), "1 秒后可重发");
    a.field("code")->setText("12");
    EXPECT_EQ(resend->text(), "1 秒后可重发");
    EXPECT_FALSE(resend->isEnabled());
    scheduler.advance(0.5);
    EXPECT_EQ(resend->text(), "重新发送");
    EXPECT_TRUE(resend->isEnabled());
}

// Pasted digits are checked once; anything but decimal digits is dropped, and digits of other scripts
// reach the server as ASCII. A rejected code empties the field; six new digits check again.
TEST_F(AccountSectionTest, TheCodeFilterKeepsSixDecimalDigitsAndChecksOnTheSixth) {
    EXPECT_EQ(AccountSection::codeDigits(QStringLiteral("𝟏２٣4½²Ⅷx 5 67")), "123456");
    // Digits of scripts newer than Qt's own tables (Kawi, Nag Mundari) are digits too.
    EXPECT_EQ(AccountSection::codeDigits(QStringLiteral("\U00011F51\U0001E4F2 3456")), "123456");

    a.field("email")->setText(ann);
    a.click("send");
    ASSERT_TRUE(a.idle());
    const QString real = server.codeFor(ann);
    a.field("code")->insert("12 34 56");
    EXPECT_EQ(a.button("login")->text(), "登录中…");
    ASSERT_TRUE(a.idle());
    EXPECT_EQ(server.count("auth/email/verify"), 1);
    EXPECT_EQ(body("auth/email/verify")["code"].toString(), "123456");
    EXPECT_EQ(a.error(), "验证码不对，或者已经过期。");
    EXPECT_EQ(a.field("code")->text(), "");

    QTest::keyClicks(a.field("code"), "a1b2");
    EXPECT_EQ(a.field("code")->text(), "12");
    a.field("code")->clear();
    QString wide;
    for (QChar c : real)
        wide += QChar(0xFF10 + c.digitValue()); // full-width
    a.field("code")->insert(wide + "½9x");
    ASSERT_TRUE(a.idle());
    EXPECT_EQ(server.count("auth/email/verify"), 2);
    EXPECT_EQ(body("auth/email/verify", 1)["code"].toString(), real);
    EXPECT_EQ(a.section->content(), Content::signedIn);
    EXPECT_EQ(a.text("accountLine"), ann);
    EXPECT_EQ(a.text("methodLine"), "邮箱验证码登录");

    // Signing out shows the step shown last: the code step with the old address.
    a.click("signOut");
    ASSERT_TRUE(a.idle());
    EXPECT_EQ(a.section->content(), Content::codeStep);
    EXPECT_EQ(a.text("sentTo"), "验证码已发到 ann@example.com，10 分钟内有效。");
}

// The sixth digit starts the check; Return meanwhile sends nothing more, so a used code never goes out a
// second time to come back as "验证码不对" to a user who did sign in.
TEST_F(AccountSectionTest, ReturnWhileTheCodeIsCheckedSendsItOnlyOnce) {
    a.field("email")->setText(ann);
    a.click("send");
    ASSERT_TRUE(a.idle());
    server.fail("auth/email/verify", Fault{.delayMs = 300});
    a.field("code")->setText(server.codeFor(ann));
    ASSERT_EQ(a.button("login")->text(), "登录中…");
    QTest::keyClick(a.field("code"), Qt::Key_Return);
    ASSERT_TRUE(a.idle());
    EXPECT_EQ(server.count("auth/email/verify"), 1);
    EXPECT_EQ(a.error(), "");
    EXPECT_TRUE(a.account.signedIn());
    EXPECT_EQ(a.section->content(), Content::signedIn);
}

// The address of the successful send is the one the code step, the check and a resend use, whatever the
// field holds by then; Return while a send runs starts no second one.
TEST_F(AccountSectionTest, TheSentAddressIsKeptAndReturnWhileBusyIsIgnored) {
    server.fail("auth/email/start", Fault{.delayMs = 300});
    a.field("email")->setText(ann);
    QTest::keyClick(a.field("email"), Qt::Key_Return);
    EXPECT_EQ(a.button("send")->text(), "发送中…");
    EXPECT_FALSE(a.button("send")->isEnabled());
    EXPECT_FALSE(a.button("apple")->isEnabled());
    a.field("email")->setText("bob@example.com");
    QTest::keyClick(a.field("email"), Qt::Key_Return);
    ASSERT_TRUE(a.idle());
    EXPECT_EQ(server.count("auth/email/start"), 1);
    EXPECT_EQ(a.text("sentTo"), "验证码已发到 ann@example.com，10 分钟内有效。");

    scheduler.advance(60);
    a.click("resend");
    ASSERT_TRUE(a.idle());
    EXPECT_EQ(body("auth/email/start", 1)["email"].toString(), ann);
    a.field("code")->setText(server.codeFor(ann));
    ASSERT_TRUE(a.idle());
    EXPECT_EQ(body("auth/email/verify")["email"].toString(), ann);
    EXPECT_TRUE(a.account.signedIn());

    // "换个邮箱" after sign-out goes back to the e-mail step with the field as typed.
    a.click("signOut");
    ASSERT_TRUE(a.idle());
    a.click("changeEmail");
    EXPECT_EQ(a.section->content(), Content::emailStep);
    EXPECT_EQ(a.field("email")->text(), "bob@example.com");
}

// Leaving the settings page while "发送中…": the send still succeeds, and nothing touches the block that
// went.
TEST_F(AccountSectionTest, ASendThatSucceedsAfterTheBlockWentLeavesItAlone) {
    server.fail("auth/email/start", Fault{.delayMs = 200});
    server.fail("auth/email/start", Fault{.delayMs = 800});
    a.field("email")->setText(ann);
    a.click("send");
    ASSERT_EQ(a.button("send")->text(), "发送中…");
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.count("auth/email/start") == 1; }));
    a.section.reset();
    // A second send, made once the first reached the server, is answered well after it.
    const TaskProbe<void> second(a.account.startEmail(ann));
    ASSERT_TRUE(second.wait());
    EXPECT_FALSE(second.error());
    EXPECT_EQ(server.count("auth/email/start"), 2);
}

TEST_F(AccountSectionTest, FailuresShowTheirMessageOrNoneAndADeadBlockIsLeftAlone) {
    a.section->run([]() -> QCoro::Task<> {
        throw std::runtime_error("no text for users");
        co_return;
    });
    ASSERT_TRUE(a.idle());
    EXPECT_EQ(a.error(), "出了点问题，稍后再试。");

    // Closing the browser shows nothing, an expired sign-in says so; a web sign-in opens the panel.
    a.browser.closed = true;
    a.click("apple");
    ASSERT_TRUE(a.idle());
    EXPECT_EQ(a.error(), "");
    EXPECT_EQ(a.section->content(), Content::emailStep);
    EXPECT_TRUE(a.button("google")->isEnabled());
    server.webError = "expired";
    a.browser.closed = false;
    a.click("apple");
    ASSERT_TRUE(a.idle());
    EXPECT_EQ(a.error(), "登录等得太久过期了，再试一次。");
    server.webError.clear();
    a.click("google");
    ASSERT_TRUE(a.idle());
    EXPECT_EQ(a.error(), "");
    EXPECT_EQ(a.text("methodLine"), "通过 Google 登录");
    ASSERT_TRUE(TaskProbe<void>(a.account.signOut()).wait());

    // An action still running when the block goes away ends without touching it.
    a.field("email")->setText(ann);
    a.click("send");
    ASSERT_TRUE(a.idle());
    server.fail("auth/email/verify", Fault{.delayMs = 200});
    a.field("code")->setText(server.codeFor(ann));
    a.section.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return a.account.signedIn(); }));
}

// After "发送验证码" the code field has the focus, so the digits typed at once land there, and the page
// around the block stays where it was.
TEST_F(AccountSectionTest, AfterTheCodeIsSentTheCodeFieldHasTheFocusAndThePageStays) {
    PageAroundBlock page(*a.section);
    a.field("email")->setFocus();
    a.field("email")->setText(ann);
    QTest::keyClick(a.field("email"), Qt::Key_Return);
    ASSERT_TRUE(a.idle());
    ASSERT_EQ(a.section->content(), Content::codeStep);
    EXPECT_EQ(QApplication::focusWidget(), a.field("code"));
    EXPECT_EQ(page.place(), 380);
    QTest::keyClicks(QApplication::focusWidget(), "12");
    EXPECT_EQ(a.field("code")->text(), "12");
}
