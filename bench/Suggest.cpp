// Typing suggestions: the trigger check that runs after every pause in typing (text and pinyin over 1,000
// memories, readings cached as in the controller), and one caret read over AT-SPI against a Qt line edit
// in another process. The caret read needs a desktop: run under scripts/with-desktop, otherwise it is
// skipped.
#include "Platform/Linux/LinuxPlatform.h"
#include "QtBenchmarkMain.h"
#include "Suggest/CaretReader.h"
#include "Suggest/TypingTrigger.h"
#include "Support/Clock.h"
#include "Support/Scheduler.h"

#include "support/MemoryDefaults.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QProcess>
#include <QTest>

namespace {

using namespace mivora;

QList<Memory> thousandMemories() {
    const QString pool =
        QStringLiteral("公司家里地址电话号码发票抬头邮箱车牌快递单链接身份证银行卡密码学校医院朋友同事老板");
    const QStringList types = {"地址", "电话", "发票", "邮箱", "信息", "单号", "链接", ""};
    QList<Memory> memories;
    for (int i = 0; i < 1000; ++i) {
        QString title;
        for (int k = 0; k < 2 + i % 4; ++k)
            title += pool[(i * 7 + k * 13) % pool.size()];
        Memory m{.title = title, .type = types[i % types.size()], .value = "值" + QString::number(i)};
        if (i % 3 == 0) m.aliases = {title.left(2) + QString::number(i)};
        memories.append(m);
    }
    return memories;
}

void TriggerCheck(benchmark::State& state) {
    const QList<Memory> memories = thousandMemories();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QSet<QString> muted;
    TriggerNames names;
    TypingTrigger::matchPinyin("wodegongsidizhi", false, memories, muted, now, names); // fills the cache
    for (auto _ : state) {
        benchmark::DoNotOptimize(TypingTrigger::match("麻烦寄到我的公司地址", memories, muted, now, names));
        benchmark::DoNotOptimize(
            TypingTrigger::matchPinyin("mafanjidaowodegongsidizhi", false, memories, muted, now, names));
        // Whether the input method still composes: the letters against the text before the caret.
        benchmark::DoNotOptimize(TypingTrigger::landed("麻烦寄到我的公司地址", u"wodegongsidizhi"));
    }
}
BENCHMARK(TriggerCheck)->Unit(benchmark::kMicrosecond);

void CaretRead(benchmark::State& state) {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return state.SkipWithError("no desktop: run under scripts/with-desktop");
    test::MemoryDefaults defaults;
    SystemClock clock;
    QtScheduler scheduler;
    const auto platform = LinuxPlatform::make(defaults, clock, scheduler);
    QProcess target;
    // Beside the benchmark (copied there by the build, also in a release build without tests).
    target.start(QCoreApplication::applicationDirPath() + "/mivora_target");
    if (!target.waitForStarted(5000)) return state.SkipWithError("mivora_target not built");
    CaretReader reader(*platform);
    if (!QTest::qWaitFor([&] { return platform->textAccess().focusedText(0).field != nullptr; }, 5000))
        return state.SkipWithError("the line edit is not on the accessibility bus");
    QProcess::execute("xdotool", {"type", "--delay", "20", "收货地址是北京市朝阳区三里屯"});
    QTest::qWait(300);
    for (auto _ : state)
        if (!reader.read(24)) return state.SkipWithError(qPrintable(reader.lastFailure));
    target.kill();
    target.waitForFinished(5000);
}
BENCHMARK(CaretRead)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

MIVORA_QT_BENCHMARK_MAIN(QApplication)
