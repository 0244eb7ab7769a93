// Entry of the benchmark executable; the benchmarks live in the other files of this folder.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
