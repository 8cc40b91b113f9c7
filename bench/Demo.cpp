// One frame of the lesson's demonstration while the miniature HUD listens: the pill's new level, its bars'
// step, and the paint of the whole stage (mock window, text, caret, pill at 0.72, key caps) into an image.
// The stage runs at 60 frames a second beside the lesson, so a frame has to stay well under 2 ms.

#include "MivoraUI/HUD/HUDPill.h"
#include "MivoraUI/HUD/LevelRow.h"
#include "MivoraUI/HUD/VoiceBars.h"
#include "MivoraUI/Tutorial/DemoStage.h"
#include "QtBenchmarkMain.h"

#include "support/FakeScheduler.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

using namespace mivora;

static void BM_DemoFrame(benchmark::State& state) {
    test::FakeClock clock;
    test::FakeScheduler scheduler(clock);
    DemoStage stage(Lesson::dictate, false, QStringLiteral("右 Ctrl"), scheduler, clock);
    stage.resize(stage.sizeHint());
    stage.show();
    scheduler.advance(1.5); // the hotkey is down and the pill listens
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 600)
        QApplication::processEvents();
    auto* row = qobject_cast<LevelRow*>(stage.pill()->content());
    VoiceBars* bars = row ? row->bars() : nullptr;
    QImage image(stage.size(), QImage::Format_ARGB32_Premultiplied);
    double t = 100;
    for (auto _ : state) {
        t += 1.0 / 60;
        scheduler.advance(1.0 / 60);
        if (bars) bars->advance(t);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        stage.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_DemoFrame)->Unit(benchmark::kMicrosecond);

MIVORA_QT_BENCHMARK_MAIN(QApplication)
