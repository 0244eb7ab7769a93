// Entry of the benchmark executable; the benchmarks live in the other files of this folder. Started with the
// cold start-up flag, it is instead the fresh process that one cold start-up benchmark iteration measures.
#include "ColdStart.h"

#include <benchmark/benchmark.h>

#include <cstring>

int main(int argc, char** argv)
{
  if (argc >= 2 && std::strcmp(argv[1], coldstart::kChildFlag) == 0)
  {
    return coldstart::runChild(argc, argv);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
  {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
