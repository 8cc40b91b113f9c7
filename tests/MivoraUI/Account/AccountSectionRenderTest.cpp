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
    server.addReviewAccount("ann@example.com", "111111");
    a.signIn("ann@example.com", "111111");
    ASSERT_EQ(s.content(), AccountSection::Content::signedIn);
    const std::pair<State, const char*> states[] = {
        {State::of(Kind::off), "syncing"},
        {State::of(Kind::unavailable), "unavailable"},
        {State::synced(clock.now().addSecs(-600)), "synced"},
        {State::showRecoveryCode("ABCDE-FGHJK-MNPQR-STVWX-YZ0123"), "recovery-code"},
        {State::of(Kind::needsRecoveryCode), "enter-code"},
        {State::failed(QString("同步出了点问题，稍后会再试。").repeated(4)), "failed"},
    };
    for (const auto& [state, name] : states) {
        a.sync.preview(state);
        draw(s, name);
    }

    // A long failure (drawn last) wraps, and its button stays at the trailing edge.
    SyncRow* row = a.find<SyncRow>("syncRow");
    QLabel* title = a.find<QLabel>("syncTitle");
    EXPECT_GT(title->height(), 2 * title->fontMetrics().height());
    EXPECT_EQ(row->button()->geometry().right(), row->width() - 1);
}
