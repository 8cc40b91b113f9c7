#pragma once

#include "Account/AccountService.h"
#include "Account/MemoryTokenStore.h"
#include "Audio/MicSource.h"
#include "Dictation/Permissions.h"
#include "Dictation/SetupModel.h"
#include "Dictation/UsageStats.h"
#include "Dictation/VoiceController.h"
#include "Keys/KeyTap.h"
#include "Memories/MemoryStore.h"
#include "MivoraUI/Model/AppModel.h"
#include "Suggest/CaretReader.h"
#include "Suggest/SuggestController.h"

#include "support/FakeAudioInput.h"
#include "support/FakeInserter.h"
#include "support/FakeKeySource.h"
#include "support/FakeLoginItem.h"
#include "support/FakePlatform.h"
#include "support/FakeRecognizer.h"
#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"
#include "support/Speech.h"

#include "Support/HttpClient.h"
#include <QCoro/QCoroTask>

#include <memory>

namespace mivora::test {

struct PageAccount {
    bool configured = true;
    bool signedIn = false;
};

// Every service the window's pages use, on fakes, and the window model lending them: the fake clock and
// timers, in-memory settings, a fake desktop and login item, a voice controller that dictates what the test
// says, a suggestion controller and an account service that is configured or not, signed in or not.
class PageServices {
public:
    using Account = PageAccount;

    explicit PageServices(Account account = {}) {
        auto mic = std::make_unique<FakeAudioInput>();
        microphone = mic.get();
        controller = std::make_unique<VoiceController>(
            std::make_unique<MicSource>(std::move(mic), scheduler), recognizer, inserter, memories.get(),
            VoiceController::System{[] { return false; }, [] { return true; }, {}}, scheduler, clock);
        if (account.signedIn)
            tokens.value = AccountTokens{"at",
                                         "rt",
                                         QDateTime::currentDateTimeUtc().addDays(1),
                                         "u1",
                                         QStringLiteral("me@example.com"),
                                         "email"};
        this->account = std::make_unique<AccountService>(
            account.configured ? std::optional(QUrl("http://127.0.0.1:9/v1/")) : std::nullopt, tokens,
            network, defaults, clock);
        QCoro::waitFor(this->account->restore());
        // As the shell does: a relay build is not ready until someone signs in.
        setup.setAccountProbe(
            [this] { return !AccountService::loginRequired() || this->account->signedIn(); });
        model = std::make_unique<AppModel>(
            AppModel::Services{setup, stats, *memories, &suggest, *controller, this->account.get(), nullptr},
            AppModel::Environment{defaults, clock, scheduler, platform, permissions, &loginItem, nullptr});
    }
    ~PageServices() { recognizer->abandon(); }

    // The three permission flags and the recogniser as the setup model reports them.
    void setSetup(bool mic, bool accessibility, bool fnFree, bool cloud) {
        setup.setMic(mic);
        setup.setAccessibility(accessibility);
        setup.setFnFree(fnFree);
        setup.setCloudReady(cloud);
    }
    // One dictation take recognised as `text`: the controller's last text from then on.
    void dictate(const QString& text) {
        controller->handle(KeyInput::fnDown(), clock.uptime());
        microphone->deliver(speech(1.0).samples);
        scheduler.advance(0.5);
        controller->handle(KeyInput::fnUp(), clock.uptime());
        scheduler.advance(MicSource::tail);
        recognizer->answer(text);
    }

    FakeClock clock;
    FakeScheduler scheduler{clock};
    MemoryDefaults defaults;
    FakePlatform platform;
    Permissions permissions{platform, defaults};
    bool cloud = false;
    SetupModel setup{permissions, [this] { return cloud; }, scheduler};
    UsageStats stats{defaults, clock, scheduler};
    std::unique_ptr<MemoryStore> memories = MemoryStore::scratch(clock);
    FakeInserter inserter;
    std::shared_ptr<FakeRecognizer> recognizer = std::make_shared<FakeRecognizer>();
    FakeAudioInput* microphone = nullptr;
    std::unique_ptr<VoiceController> controller;
    CaretReader reader{platform};
    KeyTap tap{std::make_unique<FakeKeySource>(), clock};
    SuggestController suggest{inserter, memories.get(), reader,    platform.frontApplication(),
                              tap,      defaults,       scheduler, clock};
    MemoryTokenStore tokens;
    QtScheduler networkTimers;
    HttpClient network{networkTimers};
    std::unique_ptr<AccountService> account;
    FakeLoginItem loginItem;
    std::unique_ptr<AppModel> model;
};

} // namespace mivora::test
