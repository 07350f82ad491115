// The emulated script host and game: what a plug-in sees of the script host and of the game.
//
// There is one host per process, as there is one script host in the game's process. It keeps
// the fake tick behind GetTickCount, runs the registered script entry on its own context frame by
// frame, delivers keyboard messages to the registered callback, answers natives from its world,
// and records everything the plug-in asks of it. Whatever a plug-in does that the real host
// would not accept (an unknown native, an interleaved call, a native call or wait outside the
// script) is recorded as a violation; tests fail on any.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "host_emulator/game_world.h"
#include "host_emulator/native_catalog.h"
#include "host_emulator/screen_text.h"

namespace tarquel::emu {

class ScriptContext;

using ScriptEntryFn = void (*)();
using KeyboardHandlerFn = void (*)(uint32_t key, uint16_t repeats, uint8_t scanCode, int32_t extended,
                                   int32_t altHeld, int32_t previouslyDown, int32_t released);

// Where the plug-in stands in its life when it calls the host.
enum class Phase { Idle, Loading, Attaching, Running, Detaching };
const char* PhaseName(Phase phase);

struct KeyMessage {
  uint32_t key = 0;
  uint16_t repeats = 1;
  uint8_t scanCode = 0;
  int32_t extended = 0;
  int32_t altHeld = 0;
  int32_t previouslyDown = 0;
  int32_t released = 0;
};
// A key going down (first press, not a repeat).
KeyMessage KeyPress(uint32_t key);
// A key coming up after being held.
KeyMessage KeyRelease(uint32_t key);

enum class EventKind {
  ScriptRegister,
  ScriptUnregister,
  KeyboardRegister,
  KeyboardUnregister,
  Wait,
  Native,
  ProfileInt,
  ProfileString,
  Key,  // a keyboard message the host delivered to the callback
};

// One thing the plug-in asked of the host, in the order it asked.
struct HostEvent {
  EventKind kind{};
  Phase phase{};
  uint64_t frame = 0;  // 0 before the first frame
  uint32_t tick = 0;
  const void* module = nullptr;    // registration
  const void* function = nullptr;  // registration
  uint32_t waitMs = 0;             // Wait
  KeyMessage keyMessage;           // Key
  NativeCallRecord native;         // Native
  // Profile reads: the arguments as passed and what came back.
  std::string section, key, defaultText, fileName, resultText;
  int32_t defaultInt = 0;
  uint32_t resultInt = 0;
};

std::string DescribeEvent(const HostEvent& event);

// What one frame showed.
struct FrameRecord {
  uint64_t index = 0;
  uint32_t tick = 0;
  bool scriptRan = false;
  std::vector<DrawnText> texts;
  std::vector<int32_t> brakeLightsSet;  // vehicle handles, in the order they were set
  size_t firstEvent = 0;                // events recorded while this frame ran
  size_t eventCount = 0;
};

class Host {
 public:
  static constexpr uint32_t kFrameMs = 16;

  static Host& Instance();

  // Back to a host with no plug-in: registrations, records, world and frames all cleared, the
  // tick set to `startTick`.
  void Reset(uint32_t startTick);

  // --- time ---
  // The tick the plug-in reads. In real time it is the system's clock and the frames really
  // take their time; otherwise it is the host's own and moves only when told.
  uint32_t Tick() const;
  void SetTick(uint32_t tick) { tick_.store(tick, std::memory_order_relaxed); }
  void AdvanceTick(uint32_t ms);
  void SetRealTime(bool realTime) { realTime_ = realTime; }
  bool RealTime() const { return realTime_; }

  // --- frames ---
  // Advances the tick by `elapsedMs`, then runs one frame: the script runs if it is due (its
  // first frame, or its wait is over) until it waits again.
  const FrameRecord& RunFrame(uint32_t elapsedMs = kFrameMs);
  // Advances the tick to exactly the end of the script's current wait and runs that frame.
  const FrameRecord& RunFrameWhenWaitEnds();
  // Runs frames of kFrameMs until at least `ms` have passed.
  void RunFor(uint32_t ms);
  const std::vector<FrameRecord>& Frames() const { return frames_; }
  const FrameRecord& LastFrame() const;

  // --- keyboard ---
  // Delivers a message through the registered callback on this thread; false if none is registered.
  bool SendKey(const KeyMessage& message);
  // The same from a thread of its own, as the game's window thread would; returns once delivered.
  bool SendKeyFromOtherThread(const KeyMessage& message);

  // --- world ---
  GameWorld& World() { return world_; }

  // --- what the plug-in did ---
  std::vector<HostEvent> Events() const;
  std::vector<HostEvent> EventsOf(EventKind kind) const;
  std::vector<std::string> Violations() const;
  void AddViolation(const std::string& what);
  KeyboardHandlerFn RegisteredKeyboardHandler() const { return keyboard_.load(); }

  // --- the plug-in's life, driven by the loader ---
  void SetPhase(Phase phase) { phase_ = phase; }
  void SetLoadedModule(const void* module) { module_ = module; }
  // Forgets the script's context (after detach): it is never resumed again.
  void DropScript();

  // On a platform whose loader runs a DLL's static initialisers and DllMain in one call, the
  // first registration marks where attach begins.
  void SetAttachBeginsAtFirstRegistration(bool begins) { attachAtFirstRegistration_ = begins; }

  // The emulated process's current directory, against which relative settings paths resolve.
  void SetCurrentDirectory(std::string directory) { currentDirectory_ = std::move(directory); }
  const std::string& CurrentDirectory() const { return currentDirectory_; }
  // Where bare file names go, as the Windows directory would take them.
  void SetWindowsDirectory(std::string directory) { windowsDirectory_ = std::move(directory); }
  const std::string& WindowsDirectory() const { return windowsDirectory_; }

  // --- the host functions, as the bindings forward them ---
  void ScriptRegister(const void* module, ScriptEntryFn entry);
  void ScriptUnregister(ScriptEntryFn entry);
  void KeyboardRegister(KeyboardHandlerFn handler);
  void KeyboardUnregister(KeyboardHandlerFn handler);
  void ScriptWait(uint32_t ms);
  void NativeInit(uint64_t hash);
  void NativePush(uint64_t slot);
  uint64_t* NativeCall();
  uint32_t ProfileInt(const char* section, const char* key, int32_t defaultValue, const char* fileName);
  uint32_t ProfileString(const char* section, const char* key, const char* defaultValue, char* out,
                         uint32_t size, const char* fileName);

 private:
  Host();
  ~Host();
  bool OnScriptContext() const;
  void Record(HostEvent event);
  HostEvent NewEvent(EventKind kind) const;
  FrameRecord& CurrentFrame() { return frames_.back(); }
  void AnswerNative(NativeCallRecord& call);
  void RunScriptIfDue();

  std::atomic<uint32_t> tick_{0};
  bool realTime_ = false;
  Phase phase_ = Phase::Idle;
  const void* module_ = nullptr;
  ScriptEntryFn script_ = nullptr;
  std::atomic<KeyboardHandlerFn> keyboard_{nullptr};
  std::unique_ptr<ScriptContext> context_;
  std::thread::id hostThread_;
  uint32_t waitStart_ = 0;
  uint32_t waitMs_ = 0;
  bool waiting_ = false;

  GameWorld world_;
  FrameAsks asks_;
  TextComposer composer_;
  std::optional<NativeCallRecord> openCall_;
  uint64_t resultSlot_ = 0;

  mutable std::mutex recordMutex_;
  std::vector<HostEvent> events_;
  std::vector<std::string> violations_;
  std::vector<FrameRecord> frames_;

  bool attachAtFirstRegistration_ = false;
  std::string currentDirectory_;
  std::string windowsDirectory_;
};

}  // namespace tarquel::emu
