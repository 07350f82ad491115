// The keyboard path's cost, run by hand (not in CI):
//   build/linux/tests/key_table_benchmark
//   valgrind --tool=callgrind --toggle-collect='*KeyboardCallback*' build/linux/tests/key_table_benchmark \
//     --benchmark_filter=KeyboardCallback --benchmark_min_time=0.01
// The frame's key table is built in as the plug-ins build it; the tick is the emulator's.
#include <benchmark/benchmark.h>

#include "common/key_table.h"

namespace {

void KeyboardCallbackRelease(benchmark::State& state) {
  uint32_t key = 0;
  for (auto _ : state) {
    KeyboardCallback(key, 1, 0, 0, 0, 1, 1);
    key = (key + 1) % kKeyTableSize;
  }
}
BENCHMARK(KeyboardCallbackRelease);

void KeyboardCallbackOutOfTable(benchmark::State& state) {
  for (auto _ : state) KeyboardCallback(300, 1, 0, 0, 0, 1, 1);
}
BENCHMARK(KeyboardCallbackOutOfTable);

// The loop's call once per frame when nothing was pressed: the common case.
void ConsumeKeyReleaseNothingPending(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ConsumeKeyRelease(33));
}
BENCHMARK(ConsumeKeyReleaseNothingPending);

// A fresh release each time, consumed: the record is read, claimed and cleared.
void ConsumeKeyReleaseFresh(benchmark::State& state) {
  for (auto _ : state) {
    KeyboardCallback(33, 1, 0, 0, 0, 1, 1);
    benchmark::DoNotOptimize(ConsumeKeyRelease(33));
  }
}
BENCHMARK(ConsumeKeyReleaseFresh);

}  // namespace

BENCHMARK_MAIN();
