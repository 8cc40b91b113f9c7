// One frame of the recording HUD while listening: the bars' step and the paint of the whole pill (its
// background, border and the thirteen bars) into an image the size of the pill. At 60 frames a second a
// frame has to stay well under 1 ms for the HUD to cost less than 6 % of a core.

#include "Dictation/VoicePhase.h"
#include "MivoraUI/HUD/BarsEngine.h"
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

MIVORA_QT_BENCHMARK_MAIN(QApplication)
