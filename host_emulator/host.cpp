#include "host_emulator/host.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "host_emulator/platform_binding.h"
#include "host_emulator/script_context.h"

namespace tarquel::emu {

namespace {

// What a result slot holds before its call has answered, and what the host leaves in the upper
// half of an answered one: a plug-in that reads a stale slot or more than the low 32 bits gets
// nonsense instead of a plausible value.
constexpr uint64_t kPoisonedSlot = 0xBAADF00DBAADF00Dull;
constexpr uint64_t kResultUpperHalf = 0x5EED0000ull << 32;
// Longest string argument the host copies; anything longer is a missing terminator.
constexpr size_t kMaxStringArgument = 64 * 1024;

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

const char* PhaseName(Phase phase) {
  switch (phase) {
    case Phase::Idle: return "with no plug-in loaded";
    case Phase::Loading: return "during static initialisation";
    case Phase::Attaching: return "in DllMain (process attach)";
    case Phase::Running: return "while running";
    case Phase::Detaching: return "in DllMain (process detach)";
  }
  return "?";
}

KeyMessage KeyPress(uint32_t key) { return KeyMessage{.key = key}; }

KeyMessage KeyRelease(uint32_t key) {
  return KeyMessage{.key = key, .previouslyDown = 1, .released = 1};
}

std::string DescribeEvent(const HostEvent& event) {
  switch (event.kind) {
    case EventKind::ScriptRegister: return "scriptRegister(module, ScriptEntry)";
    case EventKind::ScriptUnregister: return "scriptUnregister(ScriptEntry)";
    case EventKind::KeyboardRegister: return "keyboardHandlerRegister(KeyboardCallback)";
    case EventKind::KeyboardUnregister: return "keyboardHandlerUnregister(KeyboardCallback)";
    case EventKind::Wait: return "scriptWait(" + std::to_string(event.waitMs) + ")";
    case EventKind::Native: return DescribeNativeCall(event.native);
    case EventKind::ProfileInt:
      return "GetPrivateProfileIntA(" + Quoted(event.section) + ", " + Quoted(event.key) + ", " +
             std::to_string(event.defaultInt) + ", " + Quoted(event.fileName) + ") -> " +
             std::to_string(event.resultInt);
    case EventKind::ProfileString:
      return "GetPrivateProfileStringA(" + Quoted(event.section) + ", " + Quoted(event.key) + ", " +
             Quoted(event.defaultText) + ", " + Quoted(event.fileName) + ") -> " +
             Quoted(event.resultText);
    case EventKind::Key: {
      const KeyMessage& m = event.keyMessage;
      return std::string(m.released != 0 ? "key released: " : "key pressed: ") + std::to_string(m.key) +
             (m.altHeld != 0 ? " with Alt" : "") + (m.repeats != 1 ? ", repeats " + std::to_string(m.repeats) : "");
    }
  }
  return "?";
}

uint32_t Host::Tick() const {
  if (!realTime_) return tick_.load(std::memory_order_relaxed);
  using namespace std::chrono;
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void Host::AdvanceTick(uint32_t ms) {
  if (realTime_) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  else SetTick(Tick() + ms);
}

Host& Host::Instance() {
  static Host host;
  return host;
}

Host::Host() {
  std::error_code ignored;
  currentDirectory_ = std::filesystem::current_path(ignored).string();
  windowsDirectory_ = currentDirectory_;
  Reset(0);
  BindToPlatform(*this);
}

Host::~Host() = default;

void Host::Reset(uint32_t startTick) {
  context_.reset();
  SetTick(startTick);
  realTime_ = false;
  attachAtFirstRegistration_ = false;
  phase_ = Phase::Idle;
  module_ = nullptr;
  script_ = nullptr;
  keyboard_.store(nullptr);
  hostThread_ = std::this_thread::get_id();
  waiting_ = false;
  waitStart_ = waitMs_ = 0;
  world_ = GameWorld{};
  composer_ = TextComposer{};
  openCall_.reset();
  resultSlot_ = kPoisonedSlot;
  std::lock_guard lock(recordMutex_);
  events_.clear();
  violations_.clear();
  frames_.clear();
}

void Host::DropScript() {
  context_.reset();
  waiting_ = false;
}

bool Host::OnScriptContext() const {
  return context_ && context_->Running() && std::this_thread::get_id() == hostThread_;
}

HostEvent Host::NewEvent(EventKind kind) const {
  HostEvent event;
  event.kind = kind;
  event.phase = phase_;
  event.frame = frames_.size();
  event.tick = Tick();
  return event;
}

void Host::Record(HostEvent event) {
  std::lock_guard lock(recordMutex_);
  events_.push_back(std::move(event));
}

void Host::AddViolation(const std::string& what) {
  std::string where = std::string(PhaseName(phase_));
  if (!frames_.empty()) where += ", frame " + std::to_string(frames_.size());
  std::lock_guard lock(recordMutex_);
  violations_.push_back(what + " (" + where + ")");
}

std::vector<HostEvent> Host::Events() const {
  std::lock_guard lock(recordMutex_);
  return events_;
}

std::vector<HostEvent> Host::EventsOf(EventKind kind) const {
  std::lock_guard lock(recordMutex_);
  std::vector<HostEvent> matching;
  for (const HostEvent& event : events_)
    if (event.kind == kind) matching.push_back(event);
  return matching;
}

std::vector<std::string> Host::Violations() const {
  std::lock_guard lock(recordMutex_);
  return violations_;
}

// --- frames ---

const FrameRecord& Host::RunFrame(uint32_t elapsedMs) {
  if (std::this_thread::get_id() != hostThread_) throw std::logic_error("frames run on the host's thread");
  AdvanceTick(elapsedMs);
  {
    std::lock_guard lock(recordMutex_);
    FrameRecord frame;
    frame.index = frames_.size() + 1;
    frame.tick = Tick();
    frame.firstEvent = events_.size();
    frames_.push_back(std::move(frame));
  }
  asks_ = FrameAsks{};
  RunScriptIfDue();
  if (openCall_) {
    AddViolation("the frame ended inside an unfinished call of " + NativeName(openCall_->hash));
    openCall_.reset();
  }
  std::lock_guard lock(recordMutex_);
  FrameRecord& frame = frames_.back();
  frame.texts = composer_.TakeFrame();
  frame.eventCount = events_.size() - frame.firstEvent;
  return frame;
}

void Host::RunScriptIfDue() {
  if (script_ == nullptr || phase_ != Phase::Running) return;
  if (!context_) {
    context_ = std::make_unique<ScriptContext>(script_);
  } else if (!waiting_ || Tick() - waitStart_ < waitMs_) {
    return;
  }
  waiting_ = false;
  frames_.back().scriptRan = true;
  context_->Resume();
  if (context_->EntryReturned()) AddViolation("the script entry returned; it must never return");
}

const FrameRecord& Host::RunFrameWhenWaitEnds() {
  if (!context_ || !waiting_) return RunFrame(kFrameMs);
  const uint32_t passed = Tick() - waitStart_;
  return RunFrame(passed < waitMs_ ? waitMs_ - passed : 0);
}

void Host::RunFor(uint32_t ms) {
  for (uint32_t passed = 0; passed < ms; passed += kFrameMs) RunFrame(kFrameMs);
}

const FrameRecord& Host::LastFrame() const {
  if (frames_.empty()) throw std::logic_error("no frame has run yet");
  return frames_.back();
}

// --- keyboard ---

bool Host::SendKey(const KeyMessage& m) {
  KeyboardHandlerFn handler = keyboard_.load();
  if (handler == nullptr) return false;
  HostEvent event = NewEvent(EventKind::Key);
  event.keyMessage = m;
  Record(std::move(event));
  handler(m.key, m.repeats, m.scanCode, m.extended, m.altHeld, m.previouslyDown, m.released);
  return true;
}

bool Host::SendKeyFromOtherThread(const KeyMessage& message) {
  bool delivered = false;
  std::thread sender([&] { delivered = SendKey(message); });
  sender.join();
  return delivered;
}

// --- registration ---

void Host::ScriptRegister(const void* module, ScriptEntryFn entry) {
  if (phase_ == Phase::Loading && attachAtFirstRegistration_) phase_ = Phase::Attaching;
  if (phase_ != Phase::Attaching) AddViolation("scriptRegister outside process attach");
  if (module != module_) AddViolation("scriptRegister was given another module than DllMain received");
  if (entry == nullptr) AddViolation("scriptRegister was given no script entry");
  if (script_ != nullptr) AddViolation("a script entry was registered twice");
  HostEvent event = NewEvent(EventKind::ScriptRegister);
  event.module = module;
  event.function = reinterpret_cast<const void*>(entry);
  Record(std::move(event));
  script_ = entry;
}

void Host::ScriptUnregister(ScriptEntryFn entry) {
  if (phase_ != Phase::Detaching) AddViolation("scriptUnregister outside process detach");
  if (script_ == nullptr || entry != script_) AddViolation("scriptUnregister of an entry that is not registered");
  HostEvent event = NewEvent(EventKind::ScriptUnregister);
  event.function = reinterpret_cast<const void*>(entry);
  Record(std::move(event));
  if (entry == script_) script_ = nullptr;
}

void Host::KeyboardRegister(KeyboardHandlerFn handler) {
  if (phase_ != Phase::Attaching) AddViolation("keyboardHandlerRegister outside process attach");
  if (handler == nullptr) AddViolation("keyboardHandlerRegister was given no callback");
  if (keyboard_.load() != nullptr) AddViolation("a keyboard callback was registered twice");
  HostEvent event = NewEvent(EventKind::KeyboardRegister);
  event.function = reinterpret_cast<const void*>(handler);
  Record(std::move(event));
  keyboard_.store(handler);
}

void Host::KeyboardUnregister(KeyboardHandlerFn handler) {
  if (phase_ != Phase::Detaching) AddViolation("keyboardHandlerUnregister outside process detach");
  if (handler == nullptr || handler != keyboard_.load())
    AddViolation("keyboardHandlerUnregister of a callback that is not registered");
  HostEvent event = NewEvent(EventKind::KeyboardUnregister);
  event.function = reinterpret_cast<const void*>(handler);
  Record(std::move(event));
  if (handler == keyboard_.load()) keyboard_.store(nullptr);
}

// --- the script's calls ---

void Host::ScriptWait(uint32_t ms) {
  if (!OnScriptContext()) {
    AddViolation("scriptWait(" + std::to_string(ms) + ") outside the script context");
    return;
  }
  if (openCall_) AddViolation("scriptWait inside an unfinished call of " + NativeName(openCall_->hash));
  HostEvent event = NewEvent(EventKind::Wait);
  event.waitMs = ms;
  Record(std::move(event));
  waitStart_ = Tick();
  waitMs_ = ms;
  waiting_ = true;
  context_->Suspend();
}

void Host::NativeInit(uint64_t hash) {
  if (!OnScriptContext()) {
    AddViolation("nativeInit(" + NativeName(hash) + ") outside the script context");
    return;
  }
  if (openCall_) {
    AddViolation(NativeName(hash) + " was begun inside an unfinished call of " + NativeName(openCall_->hash));
  }
  if (FindNative(hash) == nullptr) AddViolation("unknown native " + HexText(hash));
  openCall_.emplace();
  openCall_->hash = hash;
  resultSlot_ = kPoisonedSlot;
}

void Host::NativePush(uint64_t slot) {
  if (!OnScriptContext()) {
    AddViolation("nativePush64(" + HexText(slot) + ") outside the script context");
    return;
  }
  if (!openCall_) {
    AddViolation("nativePush64(" + HexText(slot) + ") with no call begun");
    return;
  }
  NativeCallRecord& call = *openCall_;
  const NativeInfo* info = FindNative(call.hash);
  const size_t index = call.slots.size();
  call.slots.push_back(slot);
  call.strings.emplace_back();
  if (info == nullptr) return;
  if (index >= info->args.size()) {
    AddViolation(NativeName(call.hash) + " was pushed more than its " + std::to_string(info->args.size()) +
                 " arguments");
    return;
  }
  const SlotKind kind = info->args[index];
  if (kind == SlotKind::String) {
    // Copied now: the plug-in may reuse its buffer once the call is over.
    if (slot == 0) {
      AddViolation(NativeName(call.hash) + " was given a null string");
    } else {
      const char* text = reinterpret_cast<const char*>(slot);
      call.strings.back() = std::string(text, strnlen(text, kMaxStringArgument));
    }
  } else if (kind == SlotKind::OutCell && (slot == 0 || slot % alignof(uint64_t) != 0)) {
    AddViolation(NativeName(call.hash) + " was given an out cell that is not an aligned 64-bit cell");
  } else if ((kind == SlotKind::Int || kind == SlotKind::Float) && (slot >> 32) != 0) {
    AddViolation("argument " + std::to_string(index + 1) + " of " + NativeName(call.hash) +
                 " is not zero-extended: " + HexText(slot));
  }
}

uint64_t* Host::NativeCall() {
  if (!OnScriptContext()) {
    AddViolation("nativeCall outside the script context");
    return &resultSlot_;
  }
  if (!openCall_) {
    AddViolation("nativeCall with no call begun");
    return &resultSlot_;
  }
  NativeCallRecord call = std::move(*openCall_);
  openCall_.reset();
  AnswerNative(call);
  HostEvent event = NewEvent(EventKind::Native);
  event.native = std::move(call);
  Record(std::move(event));
  return &resultSlot_;
}

void Host::AnswerNative(NativeCallRecord& call) {
  const NativeInfo* info = FindNative(call.hash);
  if (info == nullptr) return;
  if (call.slots.size() != info->args.size()) {
    AddViolation(NativeName(call.hash) + " takes " + std::to_string(info->args.size()) + " arguments, not " +
                 std::to_string(call.slots.size()));
    return;
  }
  auto text = [&](size_t i) { return call.strings[i].value_or(std::string()); };
  auto fl = [&](size_t i) { return SlotAsFloat(call.slots[i]); };
  std::string error;
  switch (call.hash) {
    case native::TextScale: error = composer_.SetScale(fl(0), fl(1)); break;
    case native::TextCentre: error = composer_.SetCentre(SlotAsInt(call.slots[0])); break;
    case native::TextEdge: {
      std::vector<int32_t> edge;
      for (uint64_t slot : call.slots) edge.push_back(SlotAsInt(slot));
      error = composer_.SetEdge(std::move(edge));
      break;
    }
    case native::BeginText: error = composer_.Begin(text(0)); break;
    case native::AddTextString: error = composer_.AddString(text(0)); break;
    case native::DrawText: error = composer_.Draw(fl(0), fl(1)); break;
    default: {
      WorldAnswer answer = AnswerWorldNative(world_, asks_, call.hash, call.slots);
      error = answer.error;
      if (info->hasResult) call.result = answer.result;
      std::lock_guard lock(recordMutex_);
      for (int32_t handle : answer.brakeLightsSet) frames_.back().brakeLightsSet.push_back(handle);
      break;
    }
  }
  if (!error.empty()) AddViolation(DescribeNativeCall(call) + ": " + error);
  resultSlot_ = call.result ? kResultUpperHalf | static_cast<uint32_t>(*call.result) : kPoisonedSlot;
}

// --- settings ---

uint32_t Host::ProfileInt(const char* section, const char* key, int32_t defaultValue, const char* fileName) {
  const uint32_t result = ReadProfileInt(*this, section, key, defaultValue, fileName);
  HostEvent event = NewEvent(EventKind::ProfileInt);
  event.section = section != nullptr ? section : "";
  event.key = key != nullptr ? key : "";
  event.fileName = fileName != nullptr ? fileName : "";
  event.defaultInt = defaultValue;
  event.resultInt = result;
  Record(std::move(event));
  return result;
}

uint32_t Host::ProfileString(const char* section, const char* key, const char* defaultValue, char* out,
                             uint32_t size, const char* fileName) {
  const uint32_t result = ReadProfileString(*this, section, key, defaultValue, out, size, fileName);
  HostEvent event = NewEvent(EventKind::ProfileString);
  event.section = section != nullptr ? section : "";
  event.key = key != nullptr ? key : "";
  event.fileName = fileName != nullptr ? fileName : "";
  event.defaultText = defaultValue != nullptr ? defaultValue : "";
  event.resultText = out != nullptr && size > 0 ? std::string(out, result) : "";
  Record(std::move(event));
  return result;
}

}  // namespace tarquel::emu
