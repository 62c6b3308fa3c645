// Cost of the engine clock: one Update per frame and the timer pair that the
// render list puts around its sort and its passes. The baseline is the bare
// performance-counter read both are built on.
#include <benchmark/benchmark.h>

#include <windows.h>

#include <morvane/Clock.h>

#include "bench_ratio.h"

static void BM_QueryPerformanceCounter(benchmark::State& state) {
  LARGE_INTEGER counter;
  for (auto _ : state) {
    QueryPerformanceCounter(&counter);
    benchmark::DoNotOptimize(counter);
  }
}
BENCHMARK(BM_QueryPerformanceCounter);

static void BM_ClockUpdate(benchmark::State& state) {
  CClock clock;
  for (auto _ : state) {
    clock.Update();
    benchmark::DoNotOptimize(clock.GetFPS());
  }
}
BENCHMARK(BM_ClockUpdate);

static void BM_ClockStartStopTimer(benchmark::State& state) {
  CClock clock;
  for (auto _ : state) {
    clock.StartTimer();
    benchmark::DoNotOptimize(clock.StopTimer());
  }
}
BENCHMARK(BM_ClockStartStopTimer);

int main(int argc, char** argv) {
  return RunWithRatios(argc, argv,
                       {{"BM_ClockUpdate", "BM_QueryPerformanceCounter"},
                        {"BM_ClockStartStopTimer", "BM_QueryPerformanceCounter"}});
}
