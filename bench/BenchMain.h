#pragma once

// The main program of the benchmarks that need only Qt Core: an application
// object for the catalogue's threads and queued calls, then the benchmarks.

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace benchmain {

inline int runCoreBenchmarks(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace benchmain
