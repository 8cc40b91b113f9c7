#include "AccountSectionFixture.h"
#include "MivoraUI/Account/SyncRow.h"
#include "support/Render.h"

using namespace mivora;
using namespace mivora::test;
using State = MemorySync::State;
using Kind = State::Kind;

namespace {

// Draws the block as it settles (after the fade between steps) in light and dark and keeps both pictures.
void draw(AccountSection& section, const QString& name) {
    QWidget* content = section.findChild<QWidget*>("content");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !content->graphicsEffect(); }));
    for (int i = 0; i < 3; ++i) // nested layouts settle from the inside out
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const int height = section.heightForWidth(560);
    section.setFixedSize(560, height >= 0 ? height : section.sizeHint().height());
    saveArtefact(render(section, true), "account-" + name + "-dark");
    saveArtefact(render(section, false), "account-" + name + "-light");
}

} // namespace

TEST_F(AccountSectionTest, EveryStateDraws) {
    MemoryDefaults defaults;
    MemoryTokenStore tokens;
    QtScheduler networkTimers;
    HttpClient network{networkTimers};
    AccountService none(std::nullopt, tokens, network, defaults, clock);
    AccountSection note(
        {.account = &none, .clock = clock, .scheduler = scheduler, .pasteboard = a.pasteboard});
    draw(note, "not-configured");

    AccountSection& s = *a.section;
    draw(s, "email-step");
    server.addReviewAccount("ann@example.com", "111111");
    a.field("email")->setText("ann@example.com");
    a.click("send");
    ASSERT_TRUE(a.idle());
    a.field("code")->setText("000000");
    ASSERT_TRUE(a.idle());
    draw(s, "code-step-wrong-code");

    a.field("code")->setText("111111");
    ASSERT_TRUE(a.idle());
    ASSERT_EQ(s.content(), AccountSection::Content::signedIn);
    const std::pair<State, const char*> states[] = {
        {State::of(Kind::off), "syncing"},
        {State::of(Kind::unavailable), "unavailable"},
        {State::synced(clock.now().addSecs(-600)), "synced"},
        {State::failed(QString("同步出了点问题，稍后会再试。").repeated(4)), "failed"},
        {State::showRecoveryCode("ABCDE-FGHJK-MNPQR-STVWX-YZ0123"), "recovery-code"},
        {State::of(Kind::needsRecoveryCode), "enter-code"},
    };
    for (const auto& [state, name] : states) {
        a.sync.preview(state);
        draw(s, name);
    }

    // A long failure wraps, and its button stays at the trailing edge.
    a.sync.preview(states[3].first);
    draw(s, "failed");
    SyncRow* row = a.find<SyncRow>("syncRow");
    QLabel* title = a.find<QLabel>("syncTitle");
    EXPECT_GT(title->height(), 2 * title->fontMetrics().height());
    EXPECT_EQ(row->button()->geometry().right(), row->width() - 1);
}
