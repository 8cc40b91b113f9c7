#pragma once

#include <QApplication>

#include <benchmark/benchmark.h>

// The main of a benchmark that needs a Qt application (widgets, an event loop): the application object lives
// for the whole run, as the program's does.
#define MIVORA_QT_BENCHMARK_MAIN(Application)                                                                \
    int main(int argc, char** argv) {                                                                        \
        Application app(argc, argv);                                                                         \
        benchmark::Initialize(&argc, argv);                                                                  \
        benchmark::RunSpecifiedBenchmarks();                                                                 \
        benchmark::Shutdown();                                                                               \
        return 0;                                                                                            \
    }
