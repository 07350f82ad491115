// The game's natives that the plug-ins call, by hash. Arguments are listed in push order.
#pragma once

#include <stdint.h>

using NativeHash = uint64_t;

// Text drawing, always issued together in this order by DrawTextLine.
constexpr NativeHash kTextScale = 0x07C837F9A01C34C9;         // float, float
constexpr NativeHash kTextCentring = 0xC02F4DBFB51D988B;      // int: 0 starts at x, 1 centred on x
constexpr NativeHash kTextEdge = 0x441603240D202FA6;          // int 1, 0, 0, 0, 255
constexpr NativeHash kBeginTextCommand = 0x25FBB336DF1804CB;  // string "STRING"
constexpr NativeHash kAddTextString = 0x6C188BE134E074AA;     // string with colour tokens
constexpr NativeHash kDrawTextCommand = 0xCD015E5BB0D96A57;   // float x, float y

// The game's own clock.
constexpr NativeHash kClockHours = 0x25223CA6B4D20B7F;    // -> hours
constexpr NativeHash kClockMinutes = 0x13D2B8ADD79640F2;  // -> minutes

// The player and the vehicles.
constexpr NativeHash kPlayerCharacter = 0xD80958FC74E988A6;          // -> character handle
constexpr NativeHash kIsCharacterInAnyVehicle = 0x997ABD671D25CA0B;  // character, int 1 -> flag
constexpr NativeHash kVehicleCharacterIsUsing = 0x6094AD011A2EA87D;  // character -> vehicle
constexpr NativeHash kIsVehicleStopped = 0x5721B434AD84D57A;         // vehicle -> flag
constexpr NativeHash kSetVehicleBrakeLights = 0x92B35082E0B42F66;    // vehicle, int 1
constexpr NativeHash kIsTrailerAttached = 0xE7CF3C4F9F489F0C;        // vehicle -> flag
constexpr NativeHash kVehicleTrailer = 0x1CDD6BADC297830D;  // vehicle, out cell -> flag; cell = trailer
