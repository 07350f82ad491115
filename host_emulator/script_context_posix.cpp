// The script context on POSIX systems: a ucontext on a stack of its own, with a guard page
// below it so that a runaway script faults instead of writing over the host's memory.
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <stdexcept>

#include "host_emulator/script_context.h"

#if defined(__SANITIZE_ADDRESS__)
#define TARQUEL_ASAN_FIBERS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARQUEL_ASAN_FIBERS 1
#endif
#endif

#if defined(TARQUEL_ASAN_FIBERS)
#include <sanitizer/common_interface_defs.h>
#endif

// ThreadSanitizer must be told of each switch, or it takes the two stacks for one.
#if defined(__SANITIZE_THREAD__)
#define TARQUEL_TSAN_FIBERS 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TARQUEL_TSAN_FIBERS 1
#endif
#endif

#if defined(TARQUEL_TSAN_FIBERS)
#include <sanitizer/tsan_interface.h>
#endif

namespace tarquel::emu {

namespace {
constexpr size_t kStackSize = 512 * 1024;
}

struct ScriptContext::State {
  Entry entry = nullptr;
  ucontext_t host{};
  ucontext_t script{};
  void* mapping = nullptr;
  size_t mappingSize = 0;
  char* stackBase = nullptr;
  bool running = false;
  bool returned = false;
#if defined(TARQUEL_TSAN_FIBERS)
  void* tsanHost = nullptr;
  void* tsanScript = nullptr;
#endif
#if defined(TARQUEL_ASAN_FIBERS)
  void* fakeStack = nullptr;
  const void* hostStackBottom = nullptr;
  size_t hostStackSize = 0;
#endif

  static void Trampoline(unsigned int high, unsigned int low) {
    auto* self = reinterpret_cast<State*>((static_cast<uintptr_t>(high) << 32) | low);
#if defined(TARQUEL_ASAN_FIBERS)
    __sanitizer_finish_switch_fiber(nullptr, &self->hostStackBottom, &self->hostStackSize);
#endif
    self->entry();
    // A script entry never returns; if one does, park it for good.
    self->returned = true;
    for (;;) self->SwitchToHost();
  }

  void SwitchToHost() {
    running = false;
#if defined(TARQUEL_TSAN_FIBERS)
    __tsan_switch_to_fiber(tsanHost, 0);
#endif
#if defined(TARQUEL_ASAN_FIBERS)
    __sanitizer_start_switch_fiber(&fakeStack, hostStackBottom, hostStackSize);
#endif
    swapcontext(&script, &host);
#if defined(TARQUEL_ASAN_FIBERS)
    __sanitizer_finish_switch_fiber(fakeStack, &hostStackBottom, &hostStackSize);
#endif
    running = true;
  }
};

ScriptContext::ScriptContext(Entry entry) : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.entry = entry;
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  s.mappingSize = kStackSize + page;
  s.mapping = mmap(nullptr, s.mappingSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (s.mapping == MAP_FAILED) throw std::runtime_error("no memory for a script stack");
  mprotect(s.mapping, page, PROT_NONE);
  s.stackBase = static_cast<char*>(s.mapping) + page;
  getcontext(&s.script);
  s.script.uc_stack.ss_sp = s.stackBase;
  s.script.uc_stack.ss_size = kStackSize;
  s.script.uc_link = nullptr;
  const auto self = reinterpret_cast<uintptr_t>(&s);
  makecontext(&s.script, reinterpret_cast<void (*)()>(&State::Trampoline), 2,
              static_cast<unsigned int>(self >> 32), static_cast<unsigned int>(self & 0xFFFFFFFFu));
#if defined(TARQUEL_TSAN_FIBERS)
  s.tsanScript = __tsan_create_fiber(0);
#endif
}

ScriptContext::~ScriptContext() {
#if defined(TARQUEL_TSAN_FIBERS)
  if (state_ && state_->tsanScript != nullptr) __tsan_destroy_fiber(state_->tsanScript);
#endif
  if (state_ && state_->mapping != nullptr) munmap(state_->mapping, state_->mappingSize);
}

void ScriptContext::Resume() {
  State& s = *state_;
  s.running = true;
#if defined(TARQUEL_TSAN_FIBERS)
  s.tsanHost = __tsan_get_current_fiber();
  __tsan_switch_to_fiber(s.tsanScript, 0);
#endif
#if defined(TARQUEL_ASAN_FIBERS)
  void* hostFakeStack = nullptr;
  __sanitizer_start_switch_fiber(&hostFakeStack, s.stackBase, kStackSize);
#endif
  swapcontext(&s.host, &s.script);
#if defined(TARQUEL_ASAN_FIBERS)
  __sanitizer_finish_switch_fiber(hostFakeStack, nullptr, nullptr);
#endif
  s.running = false;
}

void ScriptContext::Suspend() { state_->SwitchToHost(); }

bool ScriptContext::Running() const { return state_->running; }

bool ScriptContext::EntryReturned() const { return state_->returned; }

}  // namespace tarquel::emu
