// The brake-light feature itself: lights the brake lights of the vehicle the player's character
// is using whenever that vehicle is stopped, and those of its trailer whenever the trailer is
// stopped. It holds no state: every call asks the game afresh.
#pragma once

#include <stdint.h>

// One pass of the feature; the main loop calls it once per frame while the feature is on. The
// lights are only ever switched on, in every frame they are to be lit; they go out by themselves
// once the routine stops setting them.
void ApplyStoppedBrakeLamps();

// Sets the brake lights of `vehicle` (a game handle) on for this frame.
void SetBrakeLampsOn(int32_t vehicle);
