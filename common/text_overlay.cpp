#include "common/text_overlay.h"

#include "common/native_call.h"

void DrawTextLine(const char* text, float scale, int32_t centred, float x, float y) {
  CallNative(kTextScale, scale, scale);
  CallNative(kTextCentring, centred);
  CallNative(kTextEdge, 1, 0, 0, 0, 255);
  CallNative(kBeginTextCommand, "STRING");
  CallNative(kAddTextString, text);
  CallNative(kDrawTextCommand, x, y);
}
