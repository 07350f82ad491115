// An execution context of its own for a plug-in's script entry, as the host gives every script:
// the host switches into it to run the script until the script waits, and the script switches
// back. The entry never returns; dropping the context abandons it wherever it stands.
#pragma once

#include <memory>

namespace tarquel::emu {

class ScriptContext {
 public:
  using Entry = void (*)();

  explicit ScriptContext(Entry entry);
  ~ScriptContext();
  ScriptContext(const ScriptContext&) = delete;
  ScriptContext& operator=(const ScriptContext&) = delete;

  // From the host: runs the script until it next yields.
  void Resume();
  // From the script: hands control back to the host.
  void Suspend();
  // True while the script, not the host, is running on this context.
  bool Running() const;
  // The entry came back, which a script entry must never do.
  bool EntryReturned() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tarquel::emu
