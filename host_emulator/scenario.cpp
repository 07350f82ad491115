#include "host_emulator/scenario.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace tarquel::emu {

GameFolder::GameFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarquel-game-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a game folder");
  path_ = pattern;
  std::filesystem::create_directory(path_ / "asi");
}

GameFolder::~GameFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void GameFolder::WriteSettings(const std::string& fileName, const std::string& content) const {
  std::ofstream file(path_ / "asi" / fileName, std::ios::binary | std::ios::trunc);
  file.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!file) throw std::runtime_error("cannot write settings file " + fileName);
}

void GameFolder::RemoveSettings(const std::string& fileName) const {
  std::filesystem::remove(path_ / "asi" / fileName);
}

Scenario::Scenario(std::string pluginPath) : pluginPath_(std::move(pluginPath)) {}

Scenario::~Scenario() { Unload(); }

void Scenario::Load(uint32_t startTick) {
  Unload();
  Host& host = Host::Instance();
  host.SetCurrentDirectory(folder_.Path().string());
  host.SetWindowsDirectory((folder_.Path() / "windows").string());
  library_ = std::make_unique<PluginLibrary>(pluginPath_, startTick);
}

void Scenario::Unload() { library_.reset(); }

namespace {

std::string VisibleIn(const FrameRecord& frame) {
  std::string view;
  for (const DrawnText& text : frame.texts) view += (view.empty() ? "" : " | ") + DescribeDrawnText(text);
  if (!frame.brakeLightsSet.empty()) {
    view += view.empty() ? "brake lights on:" : " | brake lights on:";
    for (int32_t vehicle : frame.brakeLightsSet) view += " " + std::to_string(vehicle);
  }
  return view;
}

}  // namespace

std::vector<std::string> VisibleChanges(const std::vector<FrameRecord>& frames, uint32_t baseTick) {
  std::vector<std::string> lines;
  std::string previous;
  for (const FrameRecord& frame : frames) {
    const std::string view = VisibleIn(frame);
    if (view == previous) continue;
    lines.push_back("frame " + std::to_string(frame.index) + " +" + std::to_string(frame.tick - baseTick) +
                    " ms: " + (view.empty() ? "(nothing)" : view));
    previous = view;
  }
  return lines;
}

}  // namespace tarquel::emu
