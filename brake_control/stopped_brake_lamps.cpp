#include "brake_control/stopped_brake_lamps.h"

#include "common/native_call.h"

void SetBrakeLampsOn(int32_t vehicle) { CallNative(kSetVehicleBrakeLights, vehicle, 1); }

void ApplyStoppedBrakeLamps() {
  int32_t character = CallNativeForInt(kPlayerCharacter);
  if (CallNativeForInt(kIsCharacterInAnyVehicle, character, 1) == 0) return;
  // Asked again once the character is known to be in a vehicle; this answer is the one used.
  character = CallNativeForInt(kPlayerCharacter);
  const int32_t vehicle = CallNativeForInt(kVehicleCharacterIsUsing, character);
  if (CallNativeForInt(kIsVehicleStopped, vehicle) != 0) SetBrakeLampsOn(vehicle);
  // A trailer stands still on its own account: it is tested whether the vehicle moves or not.
  if (CallNativeForInt(kIsTrailerAttached, vehicle) == 0) return;
  uint64_t trailerCell = 0;
  if (CallNativeForInt(kVehicleTrailer, vehicle, &trailerCell) == 0) return;
  // The game writes the whole 64-bit cell; only its low half is the handle.
  const int32_t trailer = ReadNativeResult(&trailerCell);
  if (CallNativeForInt(kIsVehicleStopped, trailer) != 0) SetBrakeLampsOn(trailer);
}
