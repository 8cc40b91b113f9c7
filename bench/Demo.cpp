// The lesson's demonstration while its miniature HUD listens. A frame, 60 times a second, gives the pill a
// new level, steps its bars and repaints the window's bottom row where the pill sits; the whole stage (mock
// window, text, caret, pill at 0.72, key caps) is repainted only when the script or the caret changes
// something, a few times a second. Each has to stay well under 2 ms.

#include "MivoraUI/Tutorial/DemoStage.h"
#include "QtBenchmarkMain.h"

#include "support/FakeScheduler.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

using namespace mivora;

namespace {

// Repaints `region` of a listening stage once per iteration, the scheduler moving on by one frame.
void paintFrames(benchmark::State& state, bool wholeStage) {
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
    const QRegion region = wholeStage ? QRegion(stage.rect()) : QRegion(stage.hudRow().toAlignedRect());
    QImage image(stage.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        scheduler.advance(1.0 / 60); // the level and the bars' step
        image.fill(Qt::transparent);
        QPainter painter(&image);
        stage.render(&painter, QPoint(), region, QWidget::DrawChildren);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

} // namespace

static void BM_DemoFrame(benchmark::State& state) {
    paintFrames(state, false);
}
BENCHMARK(BM_DemoFrame)->Unit(benchmark::kMicrosecond);

static void BM_DemoWholeStage(benchmark::State& state) {
    paintFrames(state, true);
}
BENCHMARK(BM_DemoWholeStage)->Unit(benchmark::kMicrosecond);

MIVORA_QT_BENCHMARK_MAIN(QApplication)
