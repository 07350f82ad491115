// What the emulated host knows about each native it answers: its name, the kind of every
// argument slot, and whether it has a result. Written independently of the plug-ins' own hash
// list, so that a wrong hash on their side shows up as an unknown native here.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarquel::emu {

enum class SlotKind { Int, Float, String, OutCell };

struct NativeInfo {
  uint64_t hash;
  const char* name;
  std::vector<SlotKind> args;
  bool hasResult;
};

// The natives this host answers; nullptr for any other hash.
const NativeInfo* FindNative(uint64_t hash);
const std::vector<NativeInfo>& AllNatives();

// Emulator-side names of the natives, for scenarios and tests that build or match calls.
namespace native {
inline constexpr uint64_t TextScale = 0x07C837F9A01C34C9;
inline constexpr uint64_t TextCentre = 0xC02F4DBFB51D988B;
inline constexpr uint64_t TextEdge = 0x441603240D202FA6;
inline constexpr uint64_t BeginText = 0x25FBB336DF1804CB;
inline constexpr uint64_t AddTextString = 0x6C188BE134E074AA;
inline constexpr uint64_t DrawText = 0xCD015E5BB0D96A57;
inline constexpr uint64_t ClockHours = 0x25223CA6B4D20B7F;
inline constexpr uint64_t ClockMinutes = 0x13D2B8ADD79640F2;
inline constexpr uint64_t PlayerCharacter = 0xD80958FC74E988A6;
inline constexpr uint64_t IsInAnyVehicle = 0x997ABD671D25CA0B;
inline constexpr uint64_t VehicleUsing = 0x6094AD011A2EA87D;
inline constexpr uint64_t IsVehicleStopped = 0x5721B434AD84D57A;
inline constexpr uint64_t SetBrakeLights = 0x92B35082E0B42F66;
inline constexpr uint64_t IsTrailerAttached = 0xE7CF3C4F9F489F0C;
inline constexpr uint64_t VehicleTrailer = 0x1CDD6BADC297830D;
}  // namespace native

// One native call as the host saw it. Strings are copied when they are pushed, since the
// plug-in's buffer may be reused right after the call.
struct NativeCallRecord {
  uint64_t hash = 0;
  std::vector<uint64_t> slots;
  std::vector<std::optional<std::string>> strings;  // per slot, for string arguments
  std::optional<int32_t> result;                    // what the host put in the low half
};

// The slot as a float: its low 32 bits as single-precision bits.
float SlotAsFloat(uint64_t slot);
// The slot as a 32-bit integer: its low half, signed.
int32_t SlotAsInt(uint64_t slot);

// A readable rendering: "TEXT_SCALE(0.3f, 0.3f)", "IS_VEHICLE_STOPPED(vehicle 0x3B02) -> 1";
// an unknown hash shows as its hex value with raw slots.
std::string DescribeNativeCall(const NativeCallRecord& call);
std::string NativeName(uint64_t hash);
// The shortest text that reads back as the same float: 0.89f shows as "0.89".
std::string FloatText(float value);
// "0x1f": for hashes, slots and handles in messages.
std::string HexText(uint64_t value);

}  // namespace tarquel::emu
