// One dictation through the real desktop: the hotkey held on the X server, audio from the PulseAudio test
// microphone, recognition by a loopback server, and the text pasted into another application.
#include "Audio/MicSource.h"
#include "Cloud/CloudRecognizer.h"
#include "Dictation/Permissions.h"
#include "Dictation/VoiceController.h"
#include "Insertion/TextInserter.h"
#include "Keys/KeyTap.h"
#include "LiveVoiceSystem.h"

#include "LinuxDesktop.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"

#include <QNetworkAccessManager>

#include <set>

// Brings Xlib, whose macros clash with Qt and GoogleTest names: include it last.
#include "support/HotkeyTake.h"

using namespace mivora;
using namespace mivora::test;

using DictationEndToEnd = LinuxDesktop;

TEST_F(DictationEndToEnd, HeldHotkeyPutsTheRecognisedSpeechIntoAnotherApplication) {
    FakeOpenAI server;
    FakeOpenAI::Response answer = FakeOpenAI::transcription("明天上午十点开会");
    answer.delayMs = 300; // a network's round trip
    server.respond("/v1/audio/transcriptions", answer);
    QNetworkAccessManager network;
    std::shared_ptr<Recognizer> recognizer = CloudRecognizer::viaProxy(
        server.url("/v1/"),
        []() -> QCoro::Task<std::optional<QString>> { co_return QString("account-token"); }, network,
        defaults, scheduler, clock);

    ChildProcess owner; // another application's copy, text and image, comes back after the paste
    ASSERT_TRUE(owner.start("mivora_clipboard", {"之前复制的"}) && owner.waitForLine("ready"));
    const QByteArray image = clipboardAs("image/png");
    ASSERT_TRUE(image.startsWith("\x89PNG"));
    TextInserter inserter(*platform, scheduler);
    ChildProcess target;
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target"));
    ASSERT_TRUE(waitUntil([&] { return inserter.currentFocus() == FocusKind::text; }, 5000));

    // Wired the way the application wires them: the key tap feeds the controller and grabs exactly the
    // keys the controller may swallow.
    Permissions permissions(*platform, defaults);
    VoiceController voice(std::make_unique<MicSource>(platform->makeAudioInput(), scheduler), recognizer,
                          inserter, nullptr, liveVoiceSystem(*platform, permissions, defaults), scheduler,
                          clock);
    QStringList log;
    voice.log = [&](const QString& line) { log << line; };
    KeyTap tap(platform->makeKeySource(), clock);
    tap.handler = [&](const KeyInput& input, double time) { return voice.handle(input, time); };
    QObject::connect(&voice, &VoiceController::swallowableKeysChanged, [&] {
        const QList<int> keys = voice.swallowableKeys();
        tap.setSwallowable("voice", std::set<int>(keys.begin(), keys.end()));
    });
    ASSERT_TRUE(tap.start());

    EXPECT_TRUE(holdHotkeyAndSpeak());
    EXPECT_TRUE(target.waitForLine("text:明天上午十点开会", 15000))
        << (log + target.lines()).join('\n').toStdString();
    EXPECT_EQ(server.count("/v1/audio/transcriptions"), 1);
    owner.stop(); // what comes back is our own copy of the old owner's data
    EXPECT_TRUE(
        waitUntil([] { return clipboardAs("UTF8_STRING") == QString("之前复制的").toUtf8(); }, 10000));
    EXPECT_EQ(clipboardAs("image/png"), image);
    EXPECT_FALSE(clipboardAs("TARGETS").contains("org.nspasteboard.TransientType"));
    tap.stop();
}
