#pragma once

#include "Modes/SelfTestCases.h"

#include <QCoro/QCoroTask>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <optional>

class QTextStream;

namespace mivora {

class Clock;
class MemoryStore;
class Scheduler;
class SelfTestSource;
class SetupModel;
class SuggestController;
class VoiceController;

// Drives the wired program through scripted cases without tray or window: each voice case plays an audio
// file through the voice controller as a held hotkey, each typing case hands the suggestion controller a
// text before the caret and accepts its offer. Writes "selftest-latest.json" into the log folder.
class SelfTest {
public:
    struct Wiring {
        VoiceController& voice;
        SuggestController* suggest; // absent: typing cases fail
        SetupModel& setup;
        SelfTestSource& source;
        MemoryStore& memories;
        Scheduler& scheduler;
        const Clock& clock;
        QString reportFolder;
    };

    explicit SelfTest(Wiring wiring) : w_(wiring) {}

    // 0 when every case passed, 1 otherwise (also for a cases file that cannot be read). One line per case
    // goes to `out`.
    QCoro::Task<int> run(QString casesFile, QTextStream& out);

    // The run was cut short by `signal` (SIGTERM, SIGINT or SIGHUP): says so on `out` and in the report, with
    // the cases done so far. The status the process ends with: 1, since a run that did not finish has not
    // passed (a run that had ended keeps its own).
    int interrupted(int signal, QTextStream& out);

    // The identifier of the one application the self-test's insertions may paste into (a window of this
    // class, such as `xterm -class MivoraSelfTest`); whatever else is in front receives nothing.
    static inline const QString ownWindowClass = QStringLiteral("MivoraSelfTest");

    // How long one case may take before it counts as failed.
    double deadline = 45;

private:
    QCoro::Task<QJsonObject> runVoice(SelfTestCase c);
    QCoro::Task<QJsonObject> runTyping(SelfTestCase c);
    QCoro::Task<bool> until(std::function<bool()> done, double seconds);
    QJsonObject permissions() const;
    bool writeReport(const QJsonObject& report) const;

    Wiring w_;
    QJsonObject report_;
    QJsonArray results_;
    int failed_ = 0;
    std::optional<int> status_; // once the run has ended
};

} // namespace mivora
