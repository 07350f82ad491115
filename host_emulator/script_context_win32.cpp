// The script context on Windows: a fiber of its own, as the real host runs each script.
#include <windows.h>

#include <stdexcept>

#include "host_emulator/script_context.h"

namespace tarquel::emu {

namespace {
constexpr SIZE_T kStackSize = 512 * 1024;
}

struct ScriptContext::State {
  Entry entry = nullptr;
  void* host = nullptr;
  void* script = nullptr;
  bool running = false;
  bool returned = false;

  static void WINAPI Start(void* parameter) {
    auto* self = static_cast<State*>(parameter);
    self->entry();
    // A script entry never returns; if one does, park it for good.
    self->returned = true;
    for (;;) self->SwitchToHost();
  }

  void SwitchToHost() {
    running = false;
    SwitchToFiber(host);
    running = true;
  }
};

ScriptContext::ScriptContext(Entry entry) : state_(std::make_unique<State>()) {
  state_->entry = entry;
  state_->script = CreateFiber(kStackSize, &State::Start, state_.get());
  if (state_->script == nullptr) throw std::runtime_error("cannot make a script fiber");
}

ScriptContext::~ScriptContext() {
  if (state_ && state_->script != nullptr) DeleteFiber(state_->script);
}

// GCC takes the segment read inside GetCurrentFiber for an out-of-bounds array access.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
void ScriptContext::Resume() {
  State& s = *state_;
  // The host's own thread becomes a fiber the first time it switches, and stays one.
  s.host = IsThreadAFiber() ? GetCurrentFiber() : ConvertThreadToFiber(nullptr);
  s.running = true;
  SwitchToFiber(s.script);
  s.running = false;
}
#pragma GCC diagnostic pop

void ScriptContext::Suspend() { state_->SwitchToHost(); }

bool ScriptContext::Running() const { return state_->running; }

bool ScriptContext::EntryReturned() const { return state_->returned; }

}  // namespace tarquel::emu
