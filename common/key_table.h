// The last keyboard message of every key, and the test for a fresh hot-key release.
//
// KeyboardCallback runs on the host's keyboard path, possibly on another thread than the script
// loop that calls ConsumeKeyRelease. They share KeyTable without a lock: every field is a
// lock-free 32-bit atomic, the callback does four plain stores and the loop orders its loads so
// that it never acts on a record it saw half-written.
#pragma once

#include <atomic>
#include <stdint.h>

#include "common/platform.h"

// Only codes 0 to 254 have a record; messages for 255 and above are dropped.
constexpr uint32_t kKeyTableSize = 255;
// A release counts only while it is younger than this.
constexpr uint32_t kKeyReleaseFreshMs = 100;

// The last keyboard message seen for one key, or all zero. Only tickMs and released are read.
struct KeyRecord {
  std::atomic<uint32_t> tickMs;         // GetTickCount when the message arrived
  std::atomic<int32_t> altHeld;         // the callback's Alt-held flag
  std::atomic<int32_t> previouslyDown;  // the callback's was-down-before flag
  std::atomic<int32_t> released;        // nonzero for a release
};

static_assert(std::atomic<uint32_t>::is_always_lock_free && std::atomic<int32_t>::is_always_lock_free,
              "the keyboard path must never take a lock");
static_assert(sizeof(KeyRecord) == 16, "four 32-bit words, in this order");

extern KeyRecord KeyTable[kKeyTableSize];

// The host's keyboard callback: stamps KeyTable[key] with the tick and the last three flags, for
// presses and releases alike. Codes of 255 and more return at once, without reading the clock.
void KeyboardCallback(DWORD key, WORD repeats, BYTE scanCode, BOOL extended, BOOL altHeld,
                      BOOL previouslyDown, BOOL released);

// True once for a release of `key` that is less than 100 ms old; it then clears the record, so
// the next call is false until a new release arrives. A false result leaves the table as it was.
// Codes of 255 and more are always false, without reading the clock.
bool ConsumeKeyRelease(uint32_t key);
