#include "Memories/MemoryStore.h"
#include "MivoraUI/Memories/MemoriesView.h"
#include "MivoraUI/Memories/MemoryListDelegate.h"
#include "MivoraUI/Memories/MemoryListFilter.h"
#include "MivoraUI/Memories/MemoryListModel.h"
#include "QtBenchmarkMain.h"
#include "ThousandMemories.h"
#include "support/FakeScheduler.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QStyleOptionViewItem>

#include <benchmark/benchmark.h>

using namespace mivora;

namespace {

// What a user types into the search field, one keystroke at a time, then deletes again.
const QStringList keystrokes{"上", "上海", "上海市", "上海", "上", "",  "w",
                             "wi", "wif",  "wifi",   "wif",  "wi", "w", ""};

// The search alone: sort and filter a thousand memories for each keystroke.
void filterPerKeystroke(benchmark::State& state) {
    const QList<Memory> memories = bench::thousand();
    qsizetype i = 0, shown = 0;
    for (auto _ : state) {
        const QList<Memory> rows = MemoryListFilter::filtered(memories, keystrokes[i++ % keystrokes.size()]);
        shown += rows.size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = benchmark::Counter(double(shown), benchmark::Counter::kAvgIterations);
}
BENCHMARK(filterPerKeystroke)->Unit(benchmark::kMillisecond);

// A keystroke on the open page: the search, the list's rows and selection, and the list redrawn.
void keystrokeOnThePage(benchmark::State& state) {
    test::FakeClock clock;
    MemoryStore store(std::nullopt, bench::thousand(), clock);
    MemoriesView view(store, clock, "右 Ctrl");
    view.resize(960, 640);
    view.show();
    QApplication::processEvents();
    auto* search = view.findChild<QLineEdit*>("search");
    auto* list = view.findChild<QListView*>("list");
    qsizetype i = 0;
    for (auto _ : state) {
        search->setText(keystrokes[i++ % keystrokes.size()]);
        list->viewport()->repaint();
    }
}
BENCHMARK(keystrokeOnThePage)->Unit(benchmark::kMillisecond);

// Opening the page on a thousand memories: built, laid out and drawn once.
void openThePage(benchmark::State& state) {
    test::FakeClock clock;
    MemoryStore store(std::nullopt, bench::thousand(), clock);
    for (auto _ : state) {
        MemoriesView view(store, clock, "右 Ctrl");
        view.resize(960, 640);
        view.show();
        benchmark::DoNotOptimize(view.grab());
    }
}
BENCHMARK(openThePage)->Unit(benchmark::kMillisecond);

// One row of the list drawn (a hover, a scroll step), its value one line of an address repeated (the
// argument) from 16 characters to a megabyte. A row that fills its line costs the same whatever its
// value's length.
void paintARow(benchmark::State& state) {
    const QString value = QStringLiteral("上海市徐汇区漕溪北路 88 号").repeated(state.range(0));
    MemoryListModel model;
    model.setMemories({{.title = "家里地址", .value = value}});
    MemoryListDelegate delegate;
    QStyleOptionViewItem option;
    option.rect = QRect(QPoint(), delegate.sizeHint(option, model.index(0)));
    option.state = QStyle::State_Enabled | QStyle::State_MouseOver;
    QImage image(option.rect.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::transparent);
        QPainter painter(&image);
        delegate.paint(&painter, option, model.index(0));
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetLabel(QString("value of %1 characters").arg(value.size()).toStdString());
}
BENCHMARK(paintARow)->Arg(1)->Arg(64)->Arg(1 << 16)->Unit(benchmark::kMicrosecond);

} // namespace

MIVORA_QT_BENCHMARK_MAIN(QApplication)
