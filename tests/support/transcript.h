// A whole scenario as the host saw it, as text: what the plug-in asked at load, each frame's
// calls and screen, the keys delivered, and the unload. Runs of frames that did exactly the same
// collapse into one line, so a transcript of seconds of play stays short enough to read.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "host_emulator/host.h"
#include "tests/support/golden_file.h"

namespace tarquel::test {

// `masks` turn what differs between runs (the local time) into fixed text.
inline std::string RenderTranscript(const emu::Host& host, uint32_t baseTick,
                                    const std::vector<std::pair<std::regex, std::string>>& masks = {}) {
  auto mask = [&](std::string text) {
    for (const auto& [pattern, replacement] : masks) text = std::regex_replace(text, pattern, replacement);
    return text;
  };
  const std::vector<emu::HostEvent> events = host.Events();
  std::ostringstream out;
  auto describeOutsideFrames = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
      const emu::HostEvent& event = events[i];
      out << "+" << event.tick - baseTick << " ms, " << emu::PhaseName(event.phase) << ": "
          << mask(emu::DescribeEvent(event)) << "\n";
    }
  };
  size_t next = 0;
  std::string previousBody;
  uint64_t runStart = 0, runEnd = 0;
  auto closeRun = [&] {
    if (runEnd > runStart) out << "frames " << runStart + 1 << "-" << runEnd << ": as frame " << runStart << "\n";
    runStart = runEnd = 0;
  };
  for (const emu::FrameRecord& frame : host.Frames()) {
    if (!frame.scriptRan) continue;
    if (frame.firstEvent > next) {
      closeRun();
      previousBody.clear();
      describeOutsideFrames(next, frame.firstEvent);
    }
    std::string body;
    for (size_t i = frame.firstEvent; i < frame.firstEvent + frame.eventCount; ++i)
      body += "  " + mask(emu::DescribeEvent(events[i])) + "\n";
    for (const emu::DrawnText& text : frame.texts) body += "  screen: " + mask(emu::DescribeDrawnText(text)) + "\n";
    for (int32_t vehicle : frame.brakeLightsSet) body += "  brake lights on: " + std::to_string(vehicle) + "\n";
    next = frame.firstEvent + frame.eventCount;
    if (body == previousBody && frame.index == (runEnd == 0 ? runStart : runEnd) + 1 && runStart != 0) {
      runEnd = frame.index;
      continue;
    }
    closeRun();
    out << "frame " << frame.index << " +" << frame.tick - baseTick << " ms:\n" << body;
    previousBody = body;
    runStart = frame.index;
  }
  closeRun();
  describeOutsideFrames(next, events.size());
  return out.str();
}

// Compares `actual` with the golden transcript tests/transcripts/<name> as a whole. With
// TARQUEL_UPDATE_TRANSCRIPTS=1 in the environment it writes the file instead.
inline void ExpectTranscript(const std::string& name, const std::string& actual) {
  ExpectGoldenFile(name, actual, "the host saw another scenario");
}

}  // namespace tarquel::test
