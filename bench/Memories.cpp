#include "Memories/MemoryStore.h"
#include "Memories/Recall.h"
#include "Memories/Seed.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace mivora;

namespace {

const QDateTime now(QDate(2025, 3, 7), QTime(9, 0), Qt::UTC);

// A thousand memories: the sample set over and over, each copy with its own names and values.
QList<Memory> thousand() {
    QList<Memory> out;
    const QList<Memory> base = Seed::samples(now);
    for (int i = 0; out.size() < 1000; ++i)
        for (Memory m : base) {
            if (out.size() == 1000) break;
            const QString n = QString::number(i);
            m.id = Memory::newId();
            m.title += n;
            for (QString& a : m.aliases)
                a += n;
            m.value += n;
            m.useCount = i % 7;
            m.savedAt = m.savedAt.addSecs(-i * 3600);
            out.append(m);
        }
    return out;
}

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
