// Calling a native by hash: one complete nativeInit, pushes, nativeCall sequence per call.
//
// Each argument is packed into its 64-bit slot by its C++ type, so a call site cannot pack a
// value the wrong way: 32-bit integers and handles are zero-extended (negative ones too, never
// sign-extended), floats travel as their single-precision bits, strings as their address and out
// parameters as the address of a 64-bit cell. Any other argument type does not compile.
#pragma once

#include <stdint.h>
#include <string.h>

#include "common/natives.h"
#include "common/script_host.h"

inline uint64_t PackNativeSlot(int32_t value) { return static_cast<uint32_t>(value); }

inline uint64_t PackNativeSlot(float value) {
  uint32_t bits;
  memcpy(&bits, &value, sizeof bits);
  return bits;
}

// The string must stay valid until the call returns.
inline uint64_t PackNativeSlot(const char* text) { return reinterpret_cast<uintptr_t>(text); }

// After the call, the cell's low 32 bits hold the value.
inline uint64_t PackNativeSlot(uint64_t* outCell) { return reinterpret_cast<uintptr_t>(outCell); }

// Doubles, unsigned and wider integers and bools have no slot of their own: say what is meant.
uint64_t PackNativeSlot(double) = delete;
uint64_t PackNativeSlot(uint32_t) = delete;
uint64_t PackNativeSlot(int64_t) = delete;
uint64_t PackNativeSlot(uint64_t) = delete;
uint64_t PackNativeSlot(bool) = delete;

// A native's result is the signed 32-bit integer in the low half of its result slot.
inline int32_t ReadNativeResult(const uint64_t* slot) {
  return slot != nullptr ? static_cast<int32_t>(static_cast<uint32_t>(*slot)) : 0;
}

// Issues one complete call and returns the host's result slot.
template <typename... Args>
inline const uint64_t* IssueNative(NativeHash hash, Args... args) {
  nativeInit(hash);
  (nativePush64(PackNativeSlot(args)), ...);
  return nativeCall();
}

// Calls the native and leaves its result unread.
template <typename... Args>
inline void CallNative(NativeHash hash, Args... args) {
  IssueNative(hash, args...);
}

// Calls the native and returns its result, read before any other native call begins.
template <typename... Args>
inline int32_t CallNativeForInt(NativeHash hash, Args... args) {
  return ReadNativeResult(IssueNative(hash, args...));
}
