#include "host_emulator/native_catalog.h"

#include <bit>
#include <cstdio>
#include <cstdlib>

namespace tarquel::emu {

std::string HexText(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

std::string FloatText(float value) {
  char text[32];
  for (int digits = 1; digits <= 9; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
    if (std::strtof(text, nullptr) == value || value != value) break;
  }
  return text;
}

const std::vector<NativeInfo>& AllNatives() {
  using enum SlotKind;
  static const std::vector<NativeInfo> natives = {
      {native::TextScale, "TEXT_SCALE", {Float, Float}, false},
      {native::TextCentre, "TEXT_CENTRE", {Int}, false},
      {native::TextEdge, "TEXT_EDGE", {Int, Int, Int, Int, Int}, false},
      {native::BeginText, "BEGIN_TEXT", {String}, false},
      {native::AddTextString, "ADD_TEXT_STRING", {String}, false},
      {native::DrawText, "DRAW_TEXT", {Float, Float}, false},
      {native::ClockHours, "CLOCK_HOURS", {}, true},
      {native::ClockMinutes, "CLOCK_MINUTES", {}, true},
      {native::PlayerCharacter, "PLAYER_CHARACTER", {}, true},
      {native::IsInAnyVehicle, "IS_IN_ANY_VEHICLE", {Int, Int}, true},
      {native::VehicleUsing, "VEHICLE_USING", {Int}, true},
      {native::IsVehicleStopped, "IS_VEHICLE_STOPPED", {Int}, true},
      {native::SetBrakeLights, "SET_BRAKE_LIGHTS", {Int, Int}, false},
      {native::IsTrailerAttached, "IS_TRAILER_ATTACHED", {Int}, true},
      {native::VehicleTrailer, "VEHICLE_TRAILER", {Int, OutCell}, true},
  };
  return natives;
}

const NativeInfo* FindNative(uint64_t hash) {
  for (const NativeInfo& info : AllNatives())
    if (info.hash == hash) return &info;
  return nullptr;
}

float SlotAsFloat(uint64_t slot) { return std::bit_cast<float>(static_cast<uint32_t>(slot)); }

int32_t SlotAsInt(uint64_t slot) { return static_cast<int32_t>(static_cast<uint32_t>(slot)); }

std::string NativeName(uint64_t hash) {
  const NativeInfo* info = FindNative(hash);
  return info != nullptr ? info->name : "UNKNOWN_NATIVE_" + HexText(hash);
}

namespace {


std::string DescribeSlot(const NativeInfo* info, const NativeCallRecord& call, size_t index) {
  const uint64_t slot = call.slots[index];
  const bool known = info != nullptr && index < info->args.size();
  std::string text;
  if (!known) {
    text = HexText(slot);
  } else {
    switch (info->args[index]) {
      case SlotKind::Int: text = std::to_string(SlotAsInt(slot)); break;
      case SlotKind::Float: text = FloatText(SlotAsFloat(slot)) + "f"; break;
      case SlotKind::String:
        text = index < call.strings.size() && call.strings[index]
                   ? "\"" + *call.strings[index] + "\""
                   : "string@" + HexText(slot);
        break;
      case SlotKind::OutCell: text = "&cell"; break;
    }
    // A value slot whose upper half is not zero was packed wrongly: show the whole slot.
    const bool valueSlot = info->args[index] == SlotKind::Int || info->args[index] == SlotKind::Float;
    if (valueSlot && (slot >> 32) != 0) text += " [slot " + HexText(slot) + "]";
  }
  return text;
}

}  // namespace

std::string DescribeNativeCall(const NativeCallRecord& call) {
  const NativeInfo* info = FindNative(call.hash);
  std::string text = NativeName(call.hash) + "(";
  for (size_t i = 0; i < call.slots.size(); ++i) {
    if (i > 0) text += ", ";
    text += DescribeSlot(info, call, i);
  }
  text += ")";
  if (call.result) text += " -> " + std::to_string(*call.result);
  return text;
}

}  // namespace tarquel::emu
