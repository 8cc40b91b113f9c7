#include "Modes/SelfTest.h"

#include "Dictation/SetupModel.h"
#include "Dictation/VoiceController.h"
#include "Memories/MemoryStore.h"
#include "Modes/SelfTestSource.h"
#include "Platform/KeyCodes.h"
#include "Suggest/SuggestController.h"
#include "Support/AtomicFile.h"
#include "Support/Clock.h"
#include "Support/IsoDate.h"
#include "Support/Scheduler.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <csignal>

namespace mivora {

namespace {

QString kindName(SelfTestCase::Kind kind) {
    switch (kind) {
    case SelfTestCase::Kind::dictate:
        return QStringLiteral("dictate");
    case SelfTestCase::Kind::recall:
        return QStringLiteral("recall");
    case SelfTestCase::Kind::type:
        return QStringLiteral("type");
    }
    return {};
}

// The reasons a case failed, in Chinese; empty when it passed.
QStringList compare(const SelfTestCase& c, const std::optional<QString>& text, const QStringList& notices,
                    const std::optional<QString>& offer) {
    QStringList why;
    if (c.text && text != c.text)
        why << QStringLiteral("期望文字「%1」，实际%2").arg(*c.text, text ? "「" + *text + "」" : "没有文字");
    if (c.notice && std::none_of(notices.begin(), notices.end(),
                                 [&](const QString& notice) { return notice.contains(*c.notice); }))
        why << QStringLiteral("期望提示含「%1」，实际%2")
                   .arg(*c.notice, notices.isEmpty() ? "没有提示" : "「" + notices.join("」「") + "」");
    if (c.offer && offer != c.offer)
        why << QStringLiteral("期望递上「%1」，实际%2")
                   .arg(*c.offer, offer ? "「" + *offer + "」" : "没有递上");
    return why;
}

QJsonValue optionalText(const std::optional<QString>& text) {
    return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

} // namespace

QCoro::Task<bool> SelfTest::until(std::function<bool()> done, double seconds) {
    const double end = w_.clock.uptime() + seconds;
    while (!done()) {
        if (w_.clock.uptime() > end) co_return false;
        auto pause = w_.scheduler.sleep(0.02);
        co_await pause;
    }
    co_return true;
}

QCoro::Task<QJsonObject> SelfTest::runVoice(SelfTestCase c) {
    VoiceController& voice = w_.voice;
    // A notice of the case before fades first, so this take starts from rest.
    co_await until([&] { return voice.phase().is(VoicePhase::Kind::idle); }, deadline);
    for (const Memory& memory : c.memories)
        w_.memories.upsert(memory);
    w_.source.play(c.input);

    std::optional<QString> text;
    QStringList notices;
    std::optional<VoiceController::Timing> timing;
    QObject watch;
    QObject::connect(&voice, &VoiceController::phaseChanged, &watch, [&] {
        if (voice.phase().is(VoicePhase::Kind::notice)) notices << voice.phase().text;
    });
    QObject::connect(&voice, &VoiceController::lastTextChanged, &watch, [&] { text = voice.lastText(); });
    const auto shellTiming = voice.onTiming;
    voice.onTiming = [&, shellTiming](const VoiceController::Timing& t) {
        timing = t;
        if (shellTiming) shellTiming(t);
    };

    const bool recall = c.kind == SelfTestCase::Kind::recall;
    if (recall) voice.handle(KeyInput::shift(true), w_.clock.uptime());
    voice.handle(KeyInput::fnDown(), w_.clock.uptime());
    auto hold = w_.scheduler.sleep(0.6); // longer than the shortest take
    co_await hold;
    voice.handle(KeyInput::fnUp(), w_.clock.uptime());
    if (recall) voice.handle(KeyInput::shift(false), w_.clock.uptime());

    const bool ended = co_await until(
        [&] { return timing || !notices.isEmpty() || voice.phase().is(VoicePhase::Kind::choosing); },
        deadline);
    if (voice.phase().is(VoicePhase::Kind::choosing)) {
        notices << QStringLiteral("（出现了几条可选的记忆）");
        voice.handle(KeyInput::keyDown(KeyCode::escape), w_.clock.uptime());
        voice.handle(KeyInput::keyUp(KeyCode::escape), w_.clock.uptime());
    }
    voice.onTiming = shellTiming;

    QStringList why = compare(c, text, notices, std::nullopt);
    if (!ended) why.prepend(QStringLiteral("%1 秒内没有结果").arg(deadline));
    QJsonObject got{{"text", optionalText(text)}, {"notices", QJsonArray::fromStringList(notices)}};
    if (timing) {
        got["result"] = timing->result.isInserted() ? "inserted" : "copied";
        got["chars"] = timing->chars;
        got["releaseToInsert"] = timing->releaseToInsert;
    }
    co_return QJsonObject{{"got", got}, {"why", QJsonArray::fromStringList(why)}};
}

QCoro::Task<QJsonObject> SelfTest::runTyping(SelfTestCase c) {
    SuggestController* suggest = w_.suggest;
    if (!suggest)
        co_return QJsonObject{{"why", QJsonArray{QStringLiteral("打字递上没有接上（没有建议控制器）")}}};
    // The strip shows nothing while a take's notice is up.
    co_await until([&] { return w_.voice.phase().is(VoicePhase::Kind::idle); }, deadline);
    for (const Memory& memory : c.memories)
        w_.memories.upsert(memory);

    // The text before the caret comes from the case, not from the desktop.
    const auto desktopRead = suggest->read;
    suggest->read = [before = c.input]() -> std::optional<CaretReader::Caret> {
        return CaretReader::Caret{before, QRectF(200, 400, 1, 16),
                                  QStringLiteral("selftest:0:") + before.right(8)};
    };
    const int acceptedBefore = suggest->accepted();
    // A key that types itself: after a letter an input method would still be composing, and nothing is
    // offered over a composition.
    suggest->handle(KeyInput::keyDown(KeyCode::minus));
    suggest->handle(KeyInput::keyUp(KeyCode::minus));
    const bool offered = co_await until([&] { return suggest->offer().has_value(); }, 10);

    std::optional<QString> title;
    std::optional<QString> text;
    QStringList why;
    if (offered) {
        const SuggestController::Offer offer = *suggest->offer();
        title = offer.title;
        if (c.text) {
            for (const Memory& memory : w_.memories.memories())
                if (memory.id == offer.id) text = memory.value;
            // A sensitive memory fills on the second Tab.
            for (int press = 0; press < (offer.sensitive ? 2 : 1); ++press) {
                suggest->handle(KeyInput::keyDown(KeyCode::tab));
                suggest->handle(KeyInput::keyUp(KeyCode::tab));
            }
            if (!co_await until([&] { return suggest->accepted() > acceptedBefore; }, deadline))
                why << QStringLiteral("按 Tab 后没有填进去");
            // The fill itself goes on from the event loop once Tab is answered, and the paste may still be
            // under way when the case is judged: let it end before the next case (or the end of the run,
            // which would take the pasted text away from the window before it asked for it).
            co_await until([&] { return !suggest->filling(); }, deadline);
        }
    }
    if (suggest->offer()) suggest->dismiss(false);
    suggest->read = desktopRead;

    why = compare(c, text, {}, title) + why;
    co_return QJsonObject{{"got", QJsonObject{{"offer", optionalText(title)}, {"text", optionalText(text)}}},
                          {"why", QJsonArray::fromStringList(why)}};
}

QJsonObject SelfTest::permissions() const {
    w_.setup.refresh();
    return {{"mic", w_.setup.mic()},
            {"accessibility", w_.setup.accessibility()},
            {"fnFree", w_.setup.fnFree()},
            {"cloudReady", w_.setup.cloudReady()}};
}

bool SelfTest::writeReport(const QJsonObject& report) const {
    if (!QDir().mkpath(w_.reportFolder)) return false;
    AtomicFile::removeStale(w_.reportFolder); // what a killed run left half-way
    return bool(AtomicFile::write(QDir(w_.reportFolder).filePath(QStringLiteral("selftest-latest.json")),
                                  QJsonDocument(report).toJson()));
}

QCoro::Task<int> SelfTest::run(QString casesFile, QTextStream& out) {
    report_ = QJsonObject{{"at", IsoDate::format(w_.clock.now())}, {"cases file", casesFile}};
    results_ = {};
    failed_ = 0;

    QFile file(casesFile);
    std::variant<QList<SelfTestCase>, QString> cases = QStringLiteral("读不了用例文件 %1").arg(casesFile);
    if (file.open(QIODevice::ReadOnly))
        cases = SelfTestCases::read(file.readAll(), QFileInfo(casesFile).dir());
    if (const auto* message = std::get_if<QString>(&cases)) {
        out << "✗ " << *message << "\n";
        report_["error"] = *message;
        ++failed_;
    } else {
        for (const SelfTestCase& c : std::get<QList<SelfTestCase>>(cases)) {
            // Two plain statements: GCC 12 miscompiles a co_await inside a conditional expression.
            QJsonObject result;
            if (c.kind == SelfTestCase::Kind::type)
                result = co_await runTyping(c);
            else
                result = co_await runVoice(c);
            const QStringList why = result.value("why").toVariant().toStringList();
            result["name"] = c.name;
            result["kind"] = kindName(c.kind);
            result["passed"] = why.isEmpty();
            results_.append(result);
            if (!why.isEmpty()) ++failed_;
            out << (why.isEmpty() ? "✓ " : "✗ ") << c.name << (why.isEmpty() ? "" : "：" + why.join("；"))
                << "\n";
            out.flush();
        }
    }
    QJsonObject report = report_;
    report["cases"] = results_;
    report["permissions"] = permissions();
    report["failed"] = failed_;
    if (!writeReport(report)) {
        out << "✗ 自检报告写不进 " << w_.reportFolder << "\n";
        status_ = 1;
        co_return 1;
    }
    out << QStringLiteral("自检：%1 条用例，%2 条没通过").arg(results_.size()).arg(failed_) << "\n";
    out.flush();
    status_ = failed_ == 0 ? 0 : 1;
    co_return *status_;
}

int SelfTest::interrupted(int signal, QTextStream& out) {
    // The run had ended and said so: a signal on its way out changes nothing.
    if (status_) return *status_;
    const QString name = signal == SIGTERM  ? QStringLiteral("SIGTERM")
                         : signal == SIGINT ? QStringLiteral("SIGINT")
                         : signal == SIGHUP ? QStringLiteral("SIGHUP")
                                            : QStringLiteral("信号 %1").arg(signal);
    const QString why =
        QStringLiteral("自检被 %1 打断，没有做完（做完 %2 条）").arg(name).arg(results_.size());
    out << "✗ " << why << "\n";
    out.flush();
    QJsonObject report = report_;
    report["error"] = why;
    report["cases"] = results_;
    report["failed"] = failed_ + 1;
    if (!writeReport(report)) out << "✗ 自检报告写不进 " << w_.reportFolder << "\n";
    out.flush();
    return 1;
}

} // namespace mivora
