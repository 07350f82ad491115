// A plug-in loaded, run and unloaded again and again in one process, as a game that reloads its
// scripts does: it must never crash, must bind and unbind itself every time, and must leave no
// memory behind.
#include <gtest/gtest.h>

#include <string>

#include "host_emulator/platform_binding.h"
#include "tests/support/plugin_test.h"

namespace tarquel::test {
namespace {

constexpr int kCycles = 100;
constexpr int kWarmUpCycles = 10;
// What the process may grow by over the cycles after the warm-up, for the system's own
// bookkeeping; a plug-in that kept anything per load would pass this well before 100 loads.
constexpr uint64_t kGrowthAllowed = 1024 * 1024;

// Under a sanitizer the process grows by the sanitizer's own quarantine and shadow memory, so
// the figure says nothing; there the leak checker at exit takes its place.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kMemoryFigureMeansSomething = false;
#else
constexpr bool kMemoryFigureMeansSomething = true;
#endif

class LoadCycleTest : public PluginTest, public ::testing::WithParamInterface<const char*> {
 protected:
  LoadCycleTest() : PluginTest(GetParam(), "unused.ini") {}
};

TEST_P(LoadCycleTest, LoadsRunsAndUnloadsAHundredTimes) {
  uint64_t afterWarmUp = 0;
  for (int cycle = 1; cycle <= kCycles; ++cycle) {
    SCOPED_TRACE("cycle " + std::to_string(cycle));
    Load();
    host().World().inVehicle = host().World().vehicleStopped = true;
    ASSERT_TRUE(RunToFirstPass().scriptRan);
    host().SendKey(KeyRelease(33));
    host().SendKey(KeyRelease(123));
    for (int frame = 0; frame < 5; ++frame) host().RunFrame();
    scenario().Unload();
    size_t registered = 0, unregistered = 0;
    for (const HostEvent& event : host().Events()) {
      registered += event.kind == EventKind::ScriptRegister || event.kind == EventKind::KeyboardRegister;
      unregistered += event.kind == EventKind::ScriptUnregister || event.kind == EventKind::KeyboardUnregister;
    }
    ASSERT_EQ(registered, 2u);
    ASSERT_EQ(unregistered, 2u);
    ASSERT_TRUE(host().Violations().empty()) << host().Violations().front();
    if (cycle == kWarmUpCycles) afterWarmUp = emu::CommittedMemoryBytes();
  }
  const uint64_t atEnd = emu::CommittedMemoryBytes();
  ASSERT_GT(afterWarmUp, 0u) << "the system tells nothing of the process's memory: this test would prove nothing";
  std::printf("%s: %d cycles, memory %llu KiB after %d, %llu KiB at the end\n", GetParam(), kCycles,
              static_cast<unsigned long long>(afterWarmUp / 1024), kWarmUpCycles,
              static_cast<unsigned long long>(atEnd / 1024));
  if (kMemoryFigureMeansSomething) {
    EXPECT_LE(atEnd, afterWarmUp + kGrowthAllowed) << "the process grew by " << (atEnd - afterWarmUp) / 1024 << " KiB";
  }
}

const char* const kNames[] = {"Clock", "HaltGlimmer"};
INSTANTIATE_TEST_SUITE_P(Plugins, LoadCycleTest, ::testing::Values(TARQUEL_CLOCK_PLUGIN, TARQUEL_HALTGLIMMER_PLUGIN),
                         [](const auto& info) { return std::string(kNames[info.index]); });

}  // namespace
}  // namespace tarquel::test
