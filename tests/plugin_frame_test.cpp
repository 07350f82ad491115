// The frame shared by both plug-ins, through a probe plug-in that is nothing but the frame and a
// loop reporting what it saw: registration, argument slots and results, the text sequence, and
// when a key release counts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <climits>

#include "common/native_call.h"
#include "tests/support/plugin_test.h"

namespace tarquel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
namespace native = emu::native;

TEST(NativeSlotTest, PacksEachArgumentKindIntoItsSlot) {
  const struct {
    const char* what;
    uint64_t slot;
    uint64_t expected;
  } cases[] = {
      {"int 0", PackNativeSlot(0), 0},
      {"int 255", PackNativeSlot(255), 0xFF},
      {"int -1, zero-extended", PackNativeSlot(-1), 0x00000000FFFFFFFF},
      {"int INT_MIN, zero-extended", PackNativeSlot(INT_MIN), 0x0000000080000000},
      {"handle -5, zero-extended", PackNativeSlot(int32_t{-5}), 0x00000000FFFFFFFB},
      {"float 0.3", PackNativeSlot(0.3f), 0x3E99999A},
      {"float 0.5", PackNativeSlot(0.5f), 0x3F000000},
      {"float 0.94", PackNativeSlot(0.94f), 0x3F70A3D7},
      {"float -0.0, zero-extended", PackNativeSlot(-0.0f), 0x80000000},
      {"float -1.5, zero-extended", PackNativeSlot(-1.5f), 0xBFC00000},
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(cases[i].slot, cases[i].expected) << "case " << i << ": " << cases[i].what;

  const char* text = "STRING";
  EXPECT_EQ(PackNativeSlot(text), reinterpret_cast<uintptr_t>(text));
  uint64_t cell = 0;
  EXPECT_EQ(PackNativeSlot(&cell), reinterpret_cast<uintptr_t>(&cell));
}

TEST(NativeSlotTest, ReadsAResultAsTheSignedLowHalf) {
  const struct {
    uint64_t slot;
    int32_t expected;
  } cases[] = {
      {0x0000000000000007, 7},
      {0x5EED0000FFFFFFFB, -5},
      {0xFFFFFFFF00000001, 1},
      {0x00000000FFFFFFFF, -1},
      {0xFFFFFFFF80000000, INT_MIN},
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(ReadNativeResult(&cases[i].slot), cases[i].expected) << "case " << i;
  EXPECT_EQ(ReadNativeResult(nullptr), 0) << "a host that returns no slot must not crash the plug-in";
}

class FrameTest : public PluginTest {
 protected:
  static constexpr uint32_t kKey = 33;
  FrameTest() : PluginTest(TARQUEL_PROBE_PLUGIN, "Tarquel Probe.ini") {}

  // The probe's line for the last frame, or "" when it drew nothing.
  std::string Line() {
    const FrameRecord& frame = host().LastFrame();
    return frame.texts.empty() ? "" : frame.texts.front().text;
  }
  int Releases() {
    int count = -1;
    std::sscanf(Line().c_str(), "releases %d", &count);
    return count;
  }
};

// Every plug-in, the probe and the two real ones, binds itself the same way.
class RegistrationTest : public PluginTest, public ::testing::WithParamInterface<const char*> {
 protected:
  RegistrationTest() : PluginTest(GetParam(), "Tarquel Probe.ini") {}
};

TEST_P(RegistrationTest, RegistersAtAttachAndUnregistersAtDetachInOrder) {
  Load();
  const void* module = scenario().Library().Module();
  std::vector<HostEvent> events;
  for (const HostEvent& event : host().Events())
    if (event.kind != EventKind::ProfileInt) events.push_back(event);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].kind, EventKind::ScriptRegister);
  EXPECT_EQ(events[0].module, module) << "scriptRegister must get the module DllMain received";
  EXPECT_EQ(events[1].kind, EventKind::KeyboardRegister);

  // A thread's start and end bind nothing and unbind nothing.
  const size_t before = host().Events().size();
  scenario().Library().StartAndEndThread();
  EXPECT_EQ(host().Events().size(), before) << "a thread's start or end reached the host";

  scenario().Unload();
  const std::vector<HostEvent> all = host().Events();
  ASSERT_GE(all.size(), 2u);
  const HostEvent& unregisterScript = all[all.size() - 2];
  const HostEvent& unregisterKeyboard = all.back();
  EXPECT_EQ(unregisterScript.kind, EventKind::ScriptUnregister);
  EXPECT_EQ(unregisterScript.function, events[0].function) << "another entry than the one registered";
  EXPECT_EQ(unregisterKeyboard.kind, EventKind::KeyboardUnregister);
  EXPECT_EQ(unregisterKeyboard.function, events[1].function) << "another callback than the one registered";
}

const char* const kPluginNames[] = {"Probe", "Clock", "HaltGlimmer"};
INSTANTIATE_TEST_SUITE_P(Plugins, RegistrationTest,
                         ::testing::Values(TARQUEL_PROBE_PLUGIN, TARQUEL_CLOCK_PLUGIN, TARQUEL_HALTGLIMMER_PLUGIN),
                         [](const auto& info) { return std::string(kPluginNames[info.index]); });

TEST_F(FrameTest, NegativeHandlesTravelZeroExtendedAndComeBackSigned) {
  Load();
  emu::GameWorld& world = host().World();
  world.playerCharacter = -5;
  world.inVehicle = true;
  world.vehicle = -7;
  world.trailerAttached = true;
  world.trailer = -9;
  const FrameRecord& frame = RunToFirstPass();
  // The host puts garbage in the upper half of every result and of the trailer's cell.
  EXPECT_EQ(Line(), "releases 0 character -5 vehicle -7 trailer -9");
  for (const HostEvent& event : EventsIn(frame)) {
    if (event.kind != EventKind::Native) continue;
    if (event.native.hash == native::VehicleUsing) {
      EXPECT_THAT(event.native.slots, ElementsAre(0xFFFFFFFBu));
    }
    if (event.native.hash == native::VehicleTrailer) {
      EXPECT_EQ(event.native.slots.at(0), 0xFFFFFFF9u);
    }
  }
}

TEST_F(FrameTest, DrawsTextWithExactlyTheSixNativesInOrder) {
  Load();
  const FrameRecord& frame = RunToFirstPass();
  std::vector<HostEvent> natives;
  for (const HostEvent& event : EventsIn(frame))
    if (event.kind == EventKind::Native && event.native.hash != native::PlayerCharacter &&
        event.native.hash != native::VehicleUsing && event.native.hash != native::VehicleTrailer)
      natives.push_back(event);
  ASSERT_EQ(natives.size(), 6u);
  const struct {
    uint64_t hash;
    std::vector<uint64_t> slots;  // strings are checked apart
  } expected[] = {
      {native::TextScale, {0x3F000000, 0x3F000000}},
      {native::TextCentre, {1}},
      {native::TextEdge, {1, 0, 0, 0, 255}},
      {native::BeginText, {}},
      {native::AddTextString, {}},
      {native::DrawText, {0x3F000000, 0x3F70A3D7}},
  };
  for (size_t i = 0; i < natives.size(); ++i) {
    SCOPED_TRACE("call " + std::to_string(i) + ": " + emu::DescribeNativeCall(natives[i].native));
    EXPECT_EQ(natives[i].native.hash, expected[i].hash);
    if (!expected[i].slots.empty()) {
      EXPECT_EQ(natives[i].native.slots, expected[i].slots);
    }
  }
  EXPECT_EQ(natives[3].native.strings.at(0), "STRING");
  EXPECT_EQ(natives[4].native.strings.at(0), "releases 0 character 10753 vehicle 0 trailer 0");
  // The six calls are contiguous: nothing else falls between them.
  const std::vector<HostEvent> all = EventsIn(frame);
  auto first = std::find_if(all.begin(), all.end(), [](const HostEvent& e) {
    return e.kind == EventKind::Native && e.native.hash == native::TextScale;
  });
  ASSERT_NE(first, all.end());
  ASSERT_GE(all.end() - first, 7);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(first[i].native.hash, expected[i].hash) << "position " << i;
  EXPECT_EQ(first[6].kind, EventKind::Wait) << "the pass ends with its wait right after drawing";
}

// One release message, then the first pass `ageMs` after it: counted or not.
TEST_F(FrameTest, ReleaseCountsOnlyWhileYoungerThan100Ms) {
  const struct {
    const char* what;
    std::vector<emu::KeyMessage> messages;
    uint32_t ageMs;
    int expected;
  } cases[] = {
      {"a release, read at once", {KeyRelease(kKey)}, 0, 1},
      {"a release, read 99 ms later", {KeyRelease(kKey)}, 99, 1},
      {"a release, read 100 ms later", {KeyRelease(kKey)}, 100, 0},
      {"a release, read 5 s later", {KeyRelease(kKey)}, 5000, 0},
      {"a release with Alt held", {emu::KeyMessage{.key = kKey, .altHeld = 1, .previouslyDown = 1, .released = 1}}, 50, 1},
      {"a press alone", {KeyPress(kKey)}, 10, 0},
      {"a press after the release hides it", {KeyRelease(kKey), KeyPress(kKey)}, 10, 0},
      {"held with repeats, then released", {KeyPress(kKey), emu::KeyMessage{.key = kKey, .repeats = 3, .previouslyDown = 1}, KeyRelease(kKey)}, 10, 1},
      {"another key's release", {KeyRelease(kKey + 1)}, 10, 0},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i) + ": " + cases[i].what);
    Load();
    RunToFirstPass();
    for (const emu::KeyMessage& message : cases[i].messages) ASSERT_TRUE(host().SendKey(message));
    host().RunFrame(cases[i].ageMs);
    EXPECT_EQ(Releases(), cases[i].expected);
    scenario().Unload();
  }
}

// Near tick 0 a cleared record's tick of 0 would itself look fresh: the flag must go too.
TEST_F(FrameTest, ReleaseIsReportedOnceOnly) {
  for (uint32_t releasedAt : {Scenario::kDefaultStartTick + 5000, 5u}) {
    SCOPED_TRACE("release at tick " + std::to_string(releasedAt));
    Load(std::nullopt, releasedAt - 5000);
    RunToFirstPass();
    host().SetTick(releasedAt);
    host().SendKey(KeyRelease(kKey));
    host().RunFrame(0);
    EXPECT_EQ(Releases(), 1);
    host().RunFrame(0);
    host().RunFrame(10);
    EXPECT_EQ(Releases(), 1) << "the same release counted again";
    host().SendKey(KeyRelease(kKey));
    host().RunFrame(10);
    EXPECT_EQ(Releases(), 2) << "a new release after the first was lost";
    scenario().Unload();
  }
}

TEST_F(FrameTest, ReleaseFromTheKeyboardThreadCounts) {
  Load();
  RunToFirstPass();
  ASSERT_TRUE(host().SendKeyFromOtherThread(KeyRelease(kKey)));
  host().RunFrame(20);
  EXPECT_EQ(Releases(), 1);
}

// The first pass comes at the end of the 2000 ms start wait; a release during the wait counts
// only if it is still fresh then.
TEST_F(FrameTest, ReleaseDuringTheStartWaitCountsOnlyIfFreshAtTheFirstPass) {
  const struct {
    uint32_t sentAfterMs;  // after the script started
    int expected;
  } cases[] = {{100, 0}, {1900, 0}, {1901, 1}, {1999, 1}};
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i) + ": release at +" + std::to_string(cases[i].sentAfterMs) + " ms");
    Load();
    host().RunFrame(0);
    host().AdvanceTick(cases[i].sentAfterMs);
    host().SendKey(KeyRelease(kKey));
    host().RunFrameWhenWaitEnds();
    ASSERT_FALSE(Line().empty()) << "the first pass did not run";
    EXPECT_EQ(Releases(), cases[i].expected);
    scenario().Unload();
  }
}

// The tick wraps every 49.7 days of uptime; a release near the wrap is judged by its age.
TEST_F(FrameTest, ReleaseAcrossTheTickWrapIsJudgedByItsAge) {
  const struct {
    uint32_t releasedAt;
    uint32_t ageMs;
    int expected;
  } cases[] = {
      {0xFFFFFFC0u, 16, 1},  // both before the wrap; release + 100 has wrapped already
      {0xFFFFFFC0u, 99, 1},  // read just after the wrap
      {0xFFFFFFC0u, 100, 0},
      {0xFFFFFFFFu, 1, 1},   // read at tick 0
      {0xFFFFFF9Cu, 99, 1},  // release + 100 is exactly 0
      {0xFFFFFF9Cu, 100, 0},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i) + ": release at " + emu::HexText(cases[i].releasedAt) + ", read " +
                 std::to_string(cases[i].ageMs) + " ms later");
    Load(std::nullopt, cases[i].releasedAt - 10'000);
    RunToFirstPass();
    host().SetTick(cases[i].releasedAt);
    host().RunFrame(0);
    host().SendKey(KeyRelease(kKey));
    host().RunFrame(cases[i].ageMs);
    EXPECT_EQ(Releases(), cases[i].expected);
    scenario().Unload();
  }
}

TEST_F(FrameTest, KeyCodesOf255AndAboveNeverFire) {
  for (const char* setting : {"255", "256", "300", "-1", "4294967295"}) {
    SCOPED_TRACE(std::string("ProbeKey=") + setting);
    Load(std::string("[Settings]\nProbeKey=") + setting + "\n");
    RunToFirstPass();
    // Every code a callback can see, including ones far past the table's end.
    for (uint32_t key = 0; key < 1024; ++key) host().SendKey(KeyRelease(key));
    host().SendKey(KeyRelease(0xFFFFFFFFu));
    host().RunFrame(10);
    EXPECT_EQ(Releases(), 0);
    scenario().Unload();
  }
}

TEST_F(FrameTest, ReloadStartsFromTheStaticsLoadValues) {
  Load();
  RunToFirstPass();
  host().SendKey(KeyRelease(kKey));
  host().RunFrame(0);
  ASSERT_EQ(Releases(), 1);
  scenario().Unload();
  Load();
  RunToFirstPass();
  EXPECT_EQ(Releases(), 0) << "a count from the previous load survived the unload";
}

}  // namespace
}  // namespace tarquel::test
