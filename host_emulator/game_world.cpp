#include "host_emulator/game_world.h"

#include <algorithm>
#include <cstring>

#include "host_emulator/native_catalog.h"

namespace tarquel::emu {

namespace {

bool IsPlayer(const GameWorld& world, int32_t handle) {
  if (world.playerCharacterAnswers.empty()) return handle == world.playerCharacter;
  for (int32_t answer : world.playerCharacterAnswers)
    if (handle == answer) return true;
  return false;
}

int32_t PlayerCharacter(const GameWorld& world, FrameAsks& asks) {
  const std::vector<int32_t>& answers = world.playerCharacterAnswers;
  if (answers.empty()) return world.playerCharacter;
  return answers[std::min(asks.playerCharacter++, answers.size() - 1)];
}

bool IsTrailer(const GameWorld& world, int32_t handle) {
  return world.trailerAttached && handle == world.trailer;
}

// 0 is the game's "no vehicle": natives take it and answer 0. Any other handle must be one the
// world gave out.
bool IsKnownVehicle(const GameWorld& world, int32_t handle) {
  return handle == 0 || (world.inVehicle && handle == world.vehicle) || IsTrailer(world, handle);
}

std::string UnknownHandle(const char* what, int32_t handle) {
  return std::string("no ") + what + " has the handle " + std::to_string(handle);
}

}  // namespace

WorldAnswer AnswerWorldNative(const GameWorld& world, FrameAsks& asks, uint64_t hash,
                              std::span<const uint64_t> slots) {
  WorldAnswer answer;
  auto arg = [&](size_t i) { return SlotAsInt(slots[i]); };
  switch (hash) {
    case native::ClockHours: answer.result = world.clockHours; break;
    case native::ClockMinutes: answer.result = world.clockMinutes; break;
    case native::PlayerCharacter: answer.result = PlayerCharacter(world, asks); break;
    case native::IsInAnyVehicle:
      if (!IsPlayer(world, arg(0))) answer.error = UnknownHandle("character", arg(0));
      else if (arg(1) != 1) answer.error = "the vehicle test is always asked with 1";
      answer.result = IsPlayer(world, arg(0)) && world.inVehicle ? 1 : 0;
      break;
    case native::VehicleUsing:
      if (!IsPlayer(world, arg(0))) answer.error = UnknownHandle("character", arg(0));
      answer.result = IsPlayer(world, arg(0)) && world.inVehicle ? world.vehicle : 0;
      break;
    case native::IsVehicleStopped:
      if (!IsKnownVehicle(world, arg(0))) answer.error = UnknownHandle("vehicle", arg(0));
      if (world.inVehicle && arg(0) == world.vehicle) answer.result = world.vehicleStopped ? 1 : 0;
      else if (IsTrailer(world, arg(0))) answer.result = world.trailerStopped ? 1 : 0;
      break;
    case native::SetBrakeLights:
      if (!IsKnownVehicle(world, arg(0)) || arg(0) == 0) answer.error = UnknownHandle("vehicle", arg(0));
      else if (arg(1) != 1) answer.error = "brake lights are only ever switched on, with 1";
      else answer.brakeLightsSet.push_back(arg(0));
      break;
    case native::IsTrailerAttached:
      if (!IsKnownVehicle(world, arg(0))) answer.error = UnknownHandle("vehicle", arg(0));
      answer.result = world.inVehicle && arg(0) == world.vehicle && world.trailerAttached ? 1 : 0;
      break;
    case native::VehicleTrailer: {
      if (!IsKnownVehicle(world, arg(0))) answer.error = UnknownHandle("vehicle", arg(0));
      const bool towing = world.inVehicle && arg(0) == world.vehicle && world.trailerAttached;
      answer.result = towing ? world.trailerQueryFlag : 0;
      if (answer.result != 0) {
        const uint64_t cell = (static_cast<uint64_t>(world.outCellUpperHalf) << 32) |
                              static_cast<uint32_t>(world.trailer);
        std::memcpy(reinterpret_cast<void*>(slots[1]), &cell, sizeof cell);
      }
      break;
    }
    default: answer.error = "the world does not answer " + NativeName(hash); break;
  }
  return answer;
}

}  // namespace tarquel::emu
