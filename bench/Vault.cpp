#include "Account/Vault.h"
#include "Memories/Seed.h"

#include <benchmark/benchmark.h>

using namespace mivora;

namespace {

const QDateTime now(QDate(2025, 3, 7), QTime(9, 0), Qt::UTC);

// Ten thousand memories on this device; the server holds the same ones with every third edited later, a
// thousand of its own and five hundred tombstones.
std::pair<Vault::Payload, Vault::Payload> tenThousand() {
    Vault::Payload local;
    const QList<Memory> base = Seed::samples(now);
    for (int i = 0; local.items.size() < 10000; ++i)
        for (Memory m : base) {
            if (local.items.size() == 10000) break;
            m.id = Memory::newId();
            m.title += QString::number(i);
            m.value += QString::number(i);
            m.useCount = i % 7;
            local.items.append(m);
        }
    Vault::Payload remote = local;
    for (qsizetype i = 0; i < remote.items.size(); i += 3) {
        remote.items[i].updatedAt = now.addSecs(-60);
        remote.items[i].value += QStringLiteral("（改）");
    }
    for (int i = 0; i < 1000; ++i) {
        Memory m = base[i % base.size()];
        m.id = Memory::newId();
        remote.items.append(m);
    }
    for (qsizetype i = 0; i < 500; ++i)
        remote.deleted.insert(local.items[i * 7].id, now.addSecs(-30));
    return {local, remote};
}

// One sync pass's work on the vault: open the server's blob, merge, seal the result.
void openMergeSealTenThousand(benchmark::State& state) {
    const auto [local, remote] = tenThousand();
    const SymmetricKey key = SymmetricKey::random();
    const QString blob = Vault::encrypt(remote, key);
    qsizetype merged = 0;
    for (auto _ : state) {
        const Vault::Payload opened = Vault::decrypt(blob, key);
        const Vault::Payload result = Vault::merge(local, opened, now);
        const QString sealed = Vault::encrypt(result, key);
        merged = result.items.size();
        benchmark::DoNotOptimize(sealed);
    }
    state.counters["memories"] = double(merged);
    state.counters["blob KiB"] = double(blob.size()) / 1024;
}
BENCHMARK(openMergeSealTenThousand)->Unit(benchmark::kMillisecond);

void mergeTenThousand(benchmark::State& state) {
    const auto [local, remote] = tenThousand();
    for (auto _ : state)
        benchmark::DoNotOptimize(Vault::merge(local, remote, now));
}
BENCHMARK(mergeTenThousand)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
