// The key table under a keyboard that never stops: one thread fires messages at the plug-in's
// callback as the game's window thread would, while the script loop runs pass after pass and
// consumes the hot key's releases. Built under ThreadSanitizer too, where any race fails it.
//
// Each message is logged before and after it is delivered, with the host's tick around it, so
// that every pass can be judged against what had certainly arrived before it and what may have
// arrived while it ran. Per pass:
// - a release counted must be one not counted before, and not certainly 100 ms old or more;
// - a hot-key release that certainly arrived before the pass, with no later hot-key message
//   before or during it, and certainly under 100 ms old, must be counted in that pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

#include "common/key_table.h"
#include "tests/support/plugin_test.h"

namespace tarquel::test {
namespace {

constexpr uint32_t kKey = 33;
constexpr size_t kMaxMessages = 100'000;
constexpr auto kMaxRunTime = std::chrono::seconds(3);

struct LoggedMessage {
  uint32_t key = 0;
  bool released = false;
  uint32_t tickBefore = 0;  // the host's tick before and after delivery: the stamp lies between
  uint32_t tickAfter = 0;
};

class KeyboardStress : public PluginTest {
 protected:
  KeyboardStress() : PluginTest(TARQUEL_PROBE_PLUGIN, "Tarquel Probe.ini") {}
  int Releases() {
    int count = -1;
    const FrameRecord& frame = host().LastFrame();
    if (!frame.texts.empty()) std::sscanf(frame.texts.front().text.c_str(), "releases %d", &count);
    return count;
  }
};

TEST_F(KeyboardStress, ReleasesCountOnceWhileFreshWhateverTheKeyboardDoes) {
  Load();
  RunToFirstPass();
  const emu::KeyboardHandlerFn callback = host().RegisteredKeyboardHandler();
  ASSERT_NE(callback, nullptr);

  std::vector<LoggedMessage> log(kMaxMessages);
  std::atomic<size_t> started{0}, delivered{0};
  std::atomic<bool> stop{false};
  const auto begin = std::chrono::steady_clock::now();

  std::thread keyboard([&] {
    std::mt19937 random(12345);
    for (size_t i = 0; i < kMaxMessages && !stop.load(std::memory_order_relaxed); ++i) {
      // Bursts, and quiet spells between them in which the loop passes with nothing arriving.
      if (random() % 32 == 0) std::this_thread::sleep_for(std::chrono::microseconds(random() % 400));
      const uint32_t pick = random() % 100;
      LoggedMessage message;
      // Half the messages are the hot key's, the rest other keys, some past the table's end.
      message.key = pick < 50 ? kKey : pick < 80 ? random() % 255 : 255 + random() % 1000;
      message.released = random() % 3 == 0;
      const int32_t repeat = !message.released && random() % 2 == 0 ? 1 : 0;
      started.store(i + 1, std::memory_order_release);
      message.tickBefore = host().Tick();
      callback(message.key, static_cast<uint16_t>(repeat ? 3 : 1), 0, 0, static_cast<int32_t>(random() % 2),
               message.released || repeat ? 1 : 0, message.released ? 1 : 0);
      message.tickAfter = host().Tick();
      log[i] = message;
      delivered.store(i + 1, std::memory_order_release);
    }
  });

  // Whatever ends the test, the keyboard stops first.
  struct StopKeyboard {
    std::atomic<bool>& stop;
    std::thread& keyboard;
    ~StopKeyboard() {
      stop.store(true);
      if (keyboard.joinable()) keyboard.join();
    }
  } stopKeyboard{stop, keyboard};

  // A release at index <= dead can no longer count (counted, or replaced in the record); one at
  // index <= maybeCounted may have counted already, when a pass ran while messages arrived.
  long dead = -1, maybeCounted = -1;
  std::mt19937 random(678);
  size_t passes = 0, counted = 0, certain = 0;
  int previousCount = Releases();
  while (std::chrono::steady_clock::now() - begin < kMaxRunTime && delivered.load() < kMaxMessages) {
    const size_t before = delivered.load(std::memory_order_acquire);
    host().RunFrame(random() % 60);
    const size_t after = started.load(std::memory_order_acquire);
    const uint32_t now = host().Tick();
    ++passes;
    const int count = Releases();
    ASSERT_LE(count - previousCount, 1) << "pass " << passes << " counted two releases";
    ASSERT_GE(count, previousCount);
    const bool countedNow = count > previousCount;
    previousCount = count;

    // The newest hot-key message that certainly arrived before the pass...
    long last = -1;
    for (long i = static_cast<long>(before) - 1; i >= 0 && last < 0; --i)
      if (log[i].key == kKey) last = i;
    // ...and the hot-key releases that may have arrived while it ran. A message whose log
    // entry is not written yet may be one of them: count it as such.
    std::vector<long> during;
    bool unknownDuring = false;
    const size_t logged = delivered.load(std::memory_order_acquire);
    for (size_t i = before; i < after; ++i) {
      if (i >= logged) unknownDuring = true;
      else if (log[i].key == kKey) during.push_back(static_cast<long>(i));
    }
    const bool quiet = during.empty() && !unknownDuring;
    const bool lastIsRelease = last >= 0 && log[last].released;

    if (countedNow) {
      ++counted;
      const bool lastCounts = lastIsRelease && last > dead && now - log[last].tickAfter < kKeyReleaseFreshMs;
      bool someDuringCounts = unknownDuring;
      for (long i : during) someDuringCounts |= log[i].released;
      ASSERT_TRUE(lastCounts || someDuringCounts)
          << "pass " << passes << " counted a release that was counted already, " << now - log[last].tickAfter
          << " ms old, or hidden by a press";
      if (last >= 0) dead = std::max(dead, last);
      maybeCounted = std::max(maybeCounted, during.empty() ? last : during.back());
      if (quiet) {
        dead = maybeCounted = last;
        ++certain;
      }
    } else if (quiet && lastIsRelease && last > maybeCounted && now - log[last].tickBefore < kKeyReleaseFreshMs) {
      FAIL() << "pass " << passes << " missed a release " << now - log[last].tickBefore
             << " ms old, with nothing after it";
    }
  }
  stop.store(true);
  keyboard.join();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  size_t hotReleases = 0;
  for (size_t i = 0; i < delivered.load(); ++i) hotReleases += log[i].key == kKey && log[i].released;
  std::printf("%zu messages sent (%zu hot-key releases), %zu passes, %zu releases counted (%zu with no message"
              " arriving meanwhile), %.2f s\n",
              delivered.load(), hotReleases, passes, counted, certain, seconds);
  EXPECT_GT(counted, 0u) << "the loop never saw a release: the test exercised nothing";
}

}  // namespace
}  // namespace tarquel::test
