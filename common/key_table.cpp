#include "common/key_table.h"

KeyRecord KeyTable[kKeyTableSize];

void KeyboardCallback(DWORD key, WORD repeats, BYTE scanCode, BOOL extended, BOOL altHeld,
                      BOOL previouslyDown, BOOL released) {
  (void)repeats;
  (void)scanCode;
  (void)extended;
  if (key >= kKeyTableSize) return;
  const uint32_t now = GetTickCount();
  KeyRecord& record = KeyTable[key];
  // The flags go first and the tick last, as a release store: a reader that loads this tick
  // (acquire) also sees this message's flags. A reader that still loads an older tick may see
  // newer flags; that only ever pairs a newer release with an older, so no fresher, tick.
  record.released.store(released, std::memory_order_relaxed);
  record.altHeld.store(altHeld, std::memory_order_relaxed);
  record.previouslyDown.store(previouslyDown, std::memory_order_relaxed);
  record.tickMs.store(now, std::memory_order_release);
}

bool ConsumeKeyRelease(uint32_t key) {
  if (key >= kKeyTableSize) return false;
  const uint32_t now = GetTickCount();
  KeyRecord& record = KeyTable[key];
  uint32_t stamped = record.tickMs.load(std::memory_order_acquire);
  // The age, not a deadline: `stamped + 100` wraps in the last 100 ms before the tick does, and
  // a release there would never be seen as fresh.
  if (now - stamped >= kKeyReleaseFreshMs) return false;
  int32_t wasRelease = record.released.load(std::memory_order_relaxed);
  if (wasRelease == 0) return false;
  // Claim the release by clearing the tick it was judged by. If the callback has stamped a newer
  // message meanwhile, the flag just read may already be that message's: leave the record to
  // the next pass, which judges the newer message by its own tick, so no release counts twice.
  // The loop is the only one that clears, so these exchanges never contend with each other, and
  // the callback itself never needs one.
  if (!record.tickMs.compare_exchange_strong(stamped, 0, std::memory_order_acq_rel)) return false;
  // A press that came in meanwhile keeps its flag; a second release merges with this one.
  record.released.compare_exchange_strong(wasRelease, 0, std::memory_order_relaxed);
  record.altHeld.store(0, std::memory_order_relaxed);
  record.previouslyDown.store(0, std::memory_order_relaxed);
  return true;
}
