#include "host_emulator/screen_text.h"

#include <utility>

#include "host_emulator/native_catalog.h"

namespace tarquel::emu {

std::string DescribeDrawnText(const DrawnText& text) {
  std::string out;
  for (const ColouredRun& run : ColourRuns(text.text)) out += "[" + run.colour + "]" + run.text;
  std::string place = " at (" + FloatText(text.x) + ", " + FloatText(text.y) + ") scale " + FloatText(text.scaleX);
  if (text.scaleY != text.scaleX) place += " x " + FloatText(text.scaleY);
  place += text.centred != 0 ? " centred" : " left";
  return out + place;
}

std::string TextComposer::SetScale(float x, float y) {
  pending_.scaleX = x;
  pending_.scaleY = y;
  styled_ = true;
  return {};
}

std::string TextComposer::SetCentre(int32_t centred) {
  pending_.centred = centred;
  return centred == 0 || centred == 1 ? "" : "text centring must be 0 or 1";
}

std::string TextComposer::SetEdge(std::vector<int32_t> edge) {
  pending_.edge = std::move(edge);
  return {};
}

std::string TextComposer::Begin(const std::string& kind) {
  if (begun_) return "a text command was begun while another was still open";
  begun_ = true;
  pending_.text.clear();
  return kind == "STRING" ? "" : "a text command must begin with \"STRING\"";
}

std::string TextComposer::AddString(const std::string& text) {
  if (!begun_) return "a string was added with no text command begun";
  pending_.text += text;
  return {};
}

std::string TextComposer::Draw(float x, float y) {
  if (!begun_) return "text was drawn with no text command begun";
  pending_.x = x;
  pending_.y = y;
  std::string error = styled_ ? "" : "text was drawn without a scale";
  drawn_.push_back(pending_);
  // Style settings apply to one text command only.
  pending_ = DrawnText{};
  styled_ = false;
  begun_ = false;
  return error;
}

std::vector<DrawnText> TextComposer::TakeFrame() {
  std::vector<DrawnText> frame = std::move(drawn_);
  drawn_.clear();
  pending_ = DrawnText{};
  styled_ = false;
  begun_ = false;
  return frame;
}

}  // namespace tarquel::emu
