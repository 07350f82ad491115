// The emulated host itself: that it refuses what the real host would not take, says so readably,
// and keeps time and waits the way the game does. The scripts here are small functions run on
// the host's script context directly, without a plug-in around them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "common/script_host.h"
#include "host_emulator/host.h"

namespace tarquel::emu {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// A script that has done its part and now only passes frames, as every script entry must.
[[noreturn]] void IdleForever() {
  for (;;) scriptWait(0);
}

class HostTest : public ::testing::Test {
 protected:
  Host& host = Host::Instance();
  int module = 0;  // stands in for a module handle

  void SetUp() override { host.Reset(1000); }
  void TearDown() override {
    host.DropScript();
    host.Reset(0);
  }

  // Registers `entry` as a plug-in's DllMain would and runs its first frame.
  void RunScript(ScriptEntryFn entry) {
    host.SetLoadedModule(&module);
    host.SetPhase(Phase::Attaching);
    host.ScriptRegister(&module, entry);
    host.SetPhase(Phase::Running);
    host.RunFrame(0);
  }
};

TEST_F(HostTest, RefusesCallSequencesTheRealHostWouldNotTake) {
  const struct {
    const char* what;
    ScriptEntryFn script;
    const char* violation;
  } cases[] = {
      {"an unknown hash",
       [] { nativeInit(0x1234); nativeCall(); IdleForever(); },
       "unknown native 0x1234"},
      {"a call begun inside another",
       [] { nativeInit(native::ClockHours); nativeInit(native::ClockMinutes); nativeCall(); IdleForever(); },
       "CLOCK_MINUTES was begun inside an unfinished call of CLOCK_HOURS"},
      {"a push with no call begun",
       [] { nativePush64(7); IdleForever(); },
       "nativePush64(0x7) with no call begun"},
      {"a call with nothing begun",
       [] { nativeCall(); IdleForever(); },
       "nativeCall with no call begun"},
      {"too few arguments",
       [] { nativeInit(native::TextScale); nativePush64(0x3E99999A); nativeCall(); IdleForever(); },
       "TEXT_SCALE takes 2 arguments, not 1"},
      {"too many arguments",
       [] { nativeInit(native::ClockHours); nativePush64(1); nativeCall(); IdleForever(); },
       "CLOCK_HOURS was pushed more than its 0 arguments"},
      {"a sign-extended integer",
       [] { nativeInit(native::TextCentre); nativePush64(0xFFFFFFFFFFFFFFFFull); nativeCall(); IdleForever(); },
       "argument 1 of TEXT_CENTRE is not zero-extended: 0xffffffffffffffff"},
      {"a wait inside a call",
       [] { nativeInit(native::ClockHours); scriptWait(0); nativeCall(); IdleForever(); },
       "scriptWait inside an unfinished call of CLOCK_HOURS"},
      {"text drawn with no command begun, floats shown as floats",
       [] { nativeInit(native::DrawText); nativePush64(0x3F000000); nativePush64(0x3F70A3D7); nativeCall(); IdleForever(); },
       "DRAW_TEXT(0.5f, 0.94f): text was drawn with no text command begun"},
      {"a brake light switched off",
       [] { nativeInit(native::SetBrakeLights); nativePush64(0x3B02); nativePush64(0); nativeCall(); IdleForever(); },
       "SET_BRAKE_LIGHTS(15106, 0): no vehicle has the handle 15106"},
      {"a script entry that returns",
       [] {},
       "the script entry returned"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i) + ": " + cases[i].what);
    host.Reset(1000);
    RunScript(cases[i].script);
    host.RunFrame();
    const std::vector<std::string> violations = host.Violations();
    ASSERT_FALSE(violations.empty()) << "the host took it";
    EXPECT_THAT(violations.front(), HasSubstr(cases[i].violation));
    host.DropScript();
  }
}

TEST_F(HostTest, RefusesNativeCallsAndWaitsOutsideTheScriptContext) {
  nativeInit(native::ClockHours);
  nativePush64(0);
  nativeCall();
  scriptWait(10);
  EXPECT_THAT(host.Violations(),
              ElementsAre(HasSubstr("nativeInit(CLOCK_HOURS) outside the script context"),
                          HasSubstr("nativePush64(0x0) outside the script context"),
                          HasSubstr("nativeCall outside the script context"),
                          HasSubstr("scriptWait(10) outside the script context")));
}

TEST_F(HostTest, RefusesNativeCallsFromTheKeyboardThread) {
  RunScript([] { IdleForever(); });
  host.SetPhase(Phase::Attaching);
  host.KeyboardRegister([](uint32_t, uint16_t, uint8_t, int32_t, int32_t, int32_t, int32_t) {
    nativeInit(native::ClockHours);
  });
  host.SetPhase(Phase::Running);
  ASSERT_TRUE(host.SendKeyFromOtherThread(KeyRelease(33)));
  EXPECT_THAT(host.Violations(), ElementsAre(HasSubstr("nativeInit(CLOCK_HOURS) outside the script context")));
}

std::vector<uint32_t> resumedAt;

TEST_F(HostTest, WaitsEndByElapsedTimeAcrossTheTickWrap) {
  resumedAt.clear();
  host.Reset(0xFFFFF000u);
  RunScript([] {
    for (;;) {
      scriptWait(2000);
      resumedAt.push_back(Host::Instance().Tick());
    }
  });
  host.RunFrame(1999);
  EXPECT_THAT(resumedAt, IsEmpty()) << "woke before its 2000 ms";
  host.RunFrame(1);
  host.RunFrameWhenWaitEnds();
  host.RunFor(1000);  // the tick wraps in here, in the middle of a wait
  host.RunFrameWhenWaitEnds();
  EXPECT_THAT(resumedAt, ElementsAre(0xFFFFF7D0u, 0xFFFFFFA0u, 0x00000770u));
  EXPECT_THAT(host.Violations(), IsEmpty());
}

}  // namespace
}  // namespace tarquel::emu
