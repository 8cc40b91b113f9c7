// One frame of the recording HUD while listening: the bars' step and the paint of the whole pill (its
// background, border and the thirteen bars) into an image the size of the pill. At 60 frames a second a
// frame has to stay well under 1 ms for the HUD to cost less than 6 % of a core.
// The recall choices drawn with a short value and with a megabyte on one line cost the same.

#include "Dictation/VoicePhase.h"
#include "MivoraUI/HUD/BarsEngine.h"
#include "MivoraUI/HUD/ChoiceList.h"
#include "MivoraUI/HUD/HUDPill.h"
#include "MivoraUI/HUD/LevelRow.h"
#include "MivoraUI/HUD/VoiceBars.h"
#include "QtBenchmarkMain.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>

using namespace mivora;

static void BM_HudFrame(benchmark::State& state) {
    HUDPill pill(VoicePhase::listening(true), VoiceMode::recall, 0.6f, {false, "右 Ctrl"});
    pill.show();
    VoiceBars* bars = qobject_cast<LevelRow*>(pill.content())->bars();
    QImage image(pill.size(), QImage::Format_ARGB32_Premultiplied);
    double t = 100;
    for (auto _ : state) {
        t += 1.0 / 60;
        bars->setLevel(float(0.5 + 0.5 * std::sin(t * 7)));
        bars->advance(t);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        pill.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_HudFrame)->Unit(benchmark::kMicrosecond);

static void BM_BarsStep(benchmark::State& state) {
    BarsEngine engine;
    double t = 100;
    for (auto _ : state) {
        t += 1.0 / 60;
        engine.step(t, float(0.5 + 0.5 * std::sin(t * 7)), BarsMode::listen, false);
        benchmark::DoNotOptimize(engine.heights);
    }
}
BENCHMARK(BM_BarsStep);

// One frame of the recall choices: three of them, the first one's value one line of an address repeated
// (the argument) from 16 characters to a megabyte. A frame costs the same whatever the values' lengths.
static void BM_HudChoices(benchmark::State& state) {
    const QString value = QStringLiteral("上海市徐汇区漕溪北路 88 号").repeated(state.range(0));
    ChoiceList list({{"a1", "家里地址", value, false},
                     {"b2", "身份证号", RecallChoice::sensitivePreview, true},
                     {"c3", "公司电话", "021-5555 0101", false}},
                    std::nullopt);
    QImage image(list.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::transparent);
        QPainter painter(&image);
        list.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetLabel(QString("value of %1 characters").arg(value.size()).toStdString());
}
BENCHMARK(BM_HudChoices)->Arg(1)->Arg(64)->Arg(1 << 16)->Unit(benchmark::kMicrosecond);

MIVORA_QT_BENCHMARK_MAIN(QApplication)
