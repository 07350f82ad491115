// The small game world behind the natives: the game's clock, the player's character and the
// vehicle and trailer it may be using, and the brake lights set in the current frame.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarquel::emu {

struct GameWorld {
  int32_t clockHours = 12;
  int32_t clockMinutes = 0;

  int32_t playerCharacter = 0x2A01;
  // When set, the player's character is asked for more than once in a frame and gets these
  // answers in turn (the last one from then on), as when the player switches characters in the
  // middle of a frame. Every handle here counts as the player.
  std::vector<int32_t> playerCharacterAnswers;
  bool inVehicle = false;
  int32_t vehicle = 0x3B02;
  bool vehicleStopped = false;

  bool trailerAttached = false;
  // What the trailer query reports as its flag while a trailer is attached; a game may say
  // "attached" and still find no trailer.
  int32_t trailerQueryFlag = 1;
  int32_t trailer = 0x4C03;
  bool trailerStopped = false;
  // The trailer query writes a whole 64-bit cell; only its low half is the handle. The upper
  // half is garbage, so a plug-in that reads more than 32 bits gets a wrong handle.
  uint32_t outCellUpperHalf = 0xDEADBEEF;
};

// The world's answer to one native call. `error` is set when the call makes no sense in this
// world (a handle it never gave out, a value outside what the native takes).
struct WorldAnswer {
  int32_t result = 0;
  std::string error;
  std::vector<int32_t> brakeLightsSet;  // vehicles whose lights this call set
};

// What the world has been asked so far in the current frame.
struct FrameAsks {
  size_t playerCharacter = 0;
};

// Answers the non-text natives. `slots` are the pushed arguments, already checked for count.
WorldAnswer AnswerWorldNative(const GameWorld& world, FrameAsks& asks, uint64_t hash,
                              std::span<const uint64_t> slots);

}  // namespace tarquel::emu
