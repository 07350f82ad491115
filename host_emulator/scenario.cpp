#include "host_emulator/scenario.h"

#include <cstdio>
#include <random>
#include <fstream>
#include <stdexcept>

namespace tarquel::emu {

GameFolder::GameFolder() {
  // A name no other folder has: create_directory fails on one that exists, so try again.
  static std::mt19937_64 names{std::random_device{}()};
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "tarquel-game-%016llx", static_cast<unsigned long long>(names()));
    const std::filesystem::path candidate = std::filesystem::temp_directory_path() / name;
    if (std::filesystem::create_directory(candidate)) path_ = candidate;
  }
  if (path_.empty()) throw std::runtime_error("cannot make a game folder");
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

void Scenario::Load(uint32_t startTick, bool realTime) {
  Unload();
  Host& host = Host::Instance();
  host.SetCurrentDirectory(folder_.Path().string());
  host.SetWindowsDirectory((folder_.Path() / "windows").string());
  library_ = std::make_unique<PluginLibrary>(pluginPath_, startTick, realTime);
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

std::vector<VisibleChange> VisibleChanges(const std::vector<FrameRecord>& frames, uint32_t baseTick) {
  std::vector<VisibleChange> lines;
  std::string previous;
  for (const FrameRecord& frame : frames) {
    const std::string view = VisibleIn(frame);
    if (view == previous) continue;
    lines.push_back({frame.index, "frame " + std::to_string(frame.index) + " +" +
                                      std::to_string(frame.tick - baseTick) + " ms: " +
                                      (view.empty() ? "(nothing)" : view)});
    previous = view;
  }
  return lines;
}

}  // namespace tarquel::emu
