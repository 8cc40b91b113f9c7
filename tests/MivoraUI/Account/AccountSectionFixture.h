#pragma once

#include "Account/AccountService.h"
#include "Account/InMemoryKeyStore.h"
#include "Account/MemorySync.h"
#include "Account/MemoryTokenStore.h"
#include "Memories/MemoryStore.h"
#include "MivoraUI/Account/AccountSection.h"
#include "Platform/Offscreen/MemoryPasteboard.h"
#include "Support/HttpClient.h"
#include "support/FakeAccountServer.h"
#include "support/FakeBrowser.h"
#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"
#include "support/TaskProbe.h"

#include <QAbstractButton>
#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace mivora::test {

// One device: its account session, memories, key store and sync engine over the shared loopback server,
// and its account block on screen.
struct AccountDevice {
    AccountDevice(FakeAccountServer& server, FakeClock& clock, FakeScheduler& scheduler)
        : account(server.base(), tokens, network, defaults, clock), store(MemoryStore::scratch(clock)),
          sync(account, *store, keys, clock, scheduler) {
        section = std::make_unique<AccountSection>(
            AccountSection::Parts{.account = &account,
                                  .sync = &sync,
                                  .browser = &browser,
                                  .clock = clock,
                                  .scheduler = scheduler,
                                  .pasteboard = pasteboard,
                                  .google = {server.url().resolved(QUrl("/google/o/oauth2/v2/auth")),
                                             server.url().resolved(QUrl("/google/token"))}});
        section->resize(560, 320);
        section->show();
    }

    template <typename T = QWidget> T* find(const char* name) const {
        T* found = section->findChild<T*>(QLatin1String(name));
        EXPECT_TRUE(found) << name;
        return found;
    }
    QLineEdit* field(const char* name) const { return find<QLineEdit>(name); }
    QAbstractButton* button(const char* name) const { return find<QAbstractButton>(name); }
    QString text(const char* name) const { return find<QLabel>(name)->text(); }
    bool shown(const char* name) const { return find<QWidget>(name)->isVisibleTo(section.get()); }
    QString error() const { return shown("error") ? text("error") : QString(); }
    void click(const char* name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    // Runs the event loop until no account action runs.
    bool idle() const {
        return QTest::qWaitFor([&] { return !section->busy(); }, 15000);
    }
    // Signs in by e-mail code without the block.
    void signIn(const QString& email, const QString& code) {
        ASSERT_TRUE(TaskProbe<void>(account.startEmail(email)).wait());
        const TaskProbe<void> verify(account.verifyEmail(email, code));
        ASSERT_TRUE(verify.wait() && !verify.error());
    }
    MemorySync::State::Kind kind() const { return sync.state().kind; }

    MemoryDefaults defaults;
    MemoryTokenStore tokens;
    QtScheduler networkTimers;
    HttpClient network{networkTimers};
    AccountService account;
    std::unique_ptr<MemoryStore> store;
    InMemoryKeyStore keys;
    MemorySync sync;
    FakeBrowser browser;
    MemoryPasteboard pasteboard;
    std::unique_ptr<AccountSection> section;
};

// The block as the settings page holds it: in a scroll area, with more of the page under it (a field far
// down, where the focus would land if the block let it go), scrolled to the block, in the active window.
class PageAroundBlock {
public:
    explicit PageAroundBlock(AccountSection& block) : block_(block) {
        auto* column = new QWidget;
        auto* layout = new QVBoxLayout(column);
        layout->addSpacing(400);
        layout->addWidget(&block_);
        layout->addSpacing(1200);
        below = new QLineEdit;
        below->setObjectName(QStringLiteral("below"));
        layout->addWidget(below);
        scroll.setWidget(column);
        scroll.setWidgetResizable(true);
        scroll.resize(600, 400);
        scroll.show();
        scroll.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&scroll));
        scroll.verticalScrollBar()->setValue(380);
    }
    ~PageAroundBlock() {
        block_.hide();
        block_.setParent(nullptr); // the device owns it
    }
    int place() const { return scroll.verticalScrollBar()->value(); }

    QScrollArea scroll;
    QLineEdit* below = nullptr;

private:
    AccountSection& block_;
};

class AccountSectionTest : public ::testing::Test {
protected:
    // The JSON body of the `n`th request of `route` (from 0).
    QJsonObject body(const QString& route, int n = 0) const {
        for (const auto& r : server.log)
            if (r.route == route && n-- == 0) return QJsonDocument::fromJson(r.body).object();
        ADD_FAILURE() << route.toStdString();
        return {};
    }

    FakeClock clock;
    FakeScheduler scheduler{clock};
    FakeAccountServer server{clock};
    AccountDevice a{server, clock, scheduler};
};

} // namespace mivora::test
