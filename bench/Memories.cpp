#include "Memories/MemoryStore.h"
#include "Memories/Recall.h"
#include "ThousandMemories.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace mivora;

namespace {

using bench::now;
using bench::thousand;

void recallOverAThousand(benchmark::State& state) {
    const QList<Memory> memories = thousand();
    const QString request = QStringLiteral("上周吃的那家越南粉的地址");
    qsizetype hits = 0;
    for (auto _ : state) {
        const auto result = Recall::recall(request, memories, now);
        hits = result.size();
        benchmark::DoNotOptimize(result);
    }
    state.counters["hits"] = double(hits);
}
BENCHMARK(recallOverAThousand)->Unit(benchmark::kMicrosecond);

void saveAThousand(benchmark::State& state) {
    QTemporaryDir dir;
    SystemClock clock;
    MemoryStore store(dir.path() + QStringLiteral("/memories.json"), thousand(), clock);
    for (int i = 0; i < 50; ++i)
        store.deleteMemory(Memory::newId());
    const QString id = store.memories()[500].id;
    for (auto _ : state)
        store.markUsed(id); // one change, both files rewritten whole
}
BENCHMARK(saveAThousand)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
