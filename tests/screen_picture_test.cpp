// The screen pictures: lines land in the picture where LineBox says, in their colours and with
// their edge, cut at the screen's border; the terminal preview marks the same places.
#include "settings_checker/screen_picture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <map>
#include <numeric>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/png_picture.h"

namespace tarquel::check {
namespace {

using namespace tarquel::test;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
// The picture's screens, as its header gives them.
constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 720;

std::string Describe(const ScreenLine& line) {
  std::ostringstream out;
  out << '"' << line.text << "\" at (" << line.x << ", " << line.y << ") scale " << line.scale
      << (line.centred ? " centred" : " left");
  return out.str();
}

std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "screen_picture_test_" + std::to_string(::getpid()) + "_" + name;
}

// The game's text colours.
const std::map<std::string, Rgb> kTextColours{
    {"white", {240, 240, 240}}, {"green", {114, 204, 114}}, {"yellow", {240, 200, 80}}, {"red", {224, 50, 50}}};

// ---------------------------------------------------------------------------------------------
// One picture of many frames, one case a frame, drawn once for all the picture's tests.

// Where a line's ink may lie against its em box, in pixels, for the texts below. Every one of
// them starts and ends with a glyph whose side bearing is under 0.1 em and holds a capital or a
// digit, whose tops lie at most 0.04 em below the em's top in this font, and none of their
// glyphs reaches above the em or below it. The black edge adds a pixel on every side, and
// anti-aliasing inks the pixel an outline merely touches: one more.
constexpr double kBearing = 0.1;   // em
constexpr double kCapGap = 0.05;   // em
constexpr double kBaseline = 0.76; // em: the baseline's depth below the top (1556 of 2048 units)
constexpr double kEdgeAndRounding = 2;

struct PlacementCase {
  ScreenLine line;
  bool shows;  // some of it lies on the screen
};

const std::vector<PlacementCase> kPlacements{
    {{"~g~Game Clock: ~y~07:05", 0.3f, 0, 0.89f, 0.01f}, true},  // the clock where it starts
    {{"Hello World", 1.0f, 0, 0.5f, 0.5f}, true},
    {{"~g~Brakes held ~r~ON", 0.5f, 1, 0.5f, 0.94f}, true},  // the notification
    {{"Mid Line", 2.0f, 1, 0.5f, 0.4f}, true},
    {{"Off the right edge", 1.0f, 0, 0.8f, 0.2f}, true},
    {{"Negative", 2.0f, 0, -0.1f, -0.02f}, true},  // cut on the left and at the top
    {{"Low line", 1.0f, 0, 0.3f, 0.97f}, true},     // cut at the bottom
    {{"Gone right", 1.0f, 0, 1.2f, 0.5f}, false},
    {{"Gone above", 1.0f, 0, 0.2f, -0.2f}, false},
    {{"Gone left", 1.0f, 1, -0.3f, 0.5f}, false},
    {{"Not a number", 1.0f, 0, kNaN, 0.5f}, false},
    {{"Endless", 1.0f, 0, 0.5f, kInf}, false},
    {{"No size", 0.0f, 0, 0.5f, 0.5f}, false},
    {{"Less than none", -1.0f, 0, 0.5f, 0.5f}, false},
    {{"Scale not a number", kNaN, 0, 0.5f, 0.5f}, false},
};

// After the placements: the colours, a line far larger than the screen, and a long caption.
const ScreenLine kColourLine{"HHH~g~HHH~y~HHH~r~HHH", 1.5f, 0, 0.02f, 0.3f};
// One full block, its em 1800 pixels on a 720-pixel screen: still rendered, and cut to the screen.
const ScreenLine kHugeLine{"\xe2\x96\x88", 45.0f, 0, -0.2f, -0.5f};
const std::string kLongCaption = "Caption " + std::string(300, 'W');
const size_t kColourFrame = kPlacements.size();
const size_t kHugeFrame = kColourFrame + 1;  // in the left column, an empty screen beside it
const size_t kCaptionFrame = kHugeFrame + 2;

class ScreenPicturePng : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::vector<ScreenFrame> frames;
    for (const PlacementCase& c : kPlacements) frames.push_back({"", {c.line}});
    frames.push_back({"", {kColourLine}});
    frames.push_back({"", {kHugeLine}});
    frames.push_back({"", {}});
    frames.push_back({kLongCaption, {}});
    ASSERT_EQ(kHugeFrame % 2, 0u) << "the huge line's screen must have a neighbour on its right";
    const std::string path = TempPath("frames.png");
    const std::string error = WritePng(path, frames);
    ASSERT_EQ(error, "") << "writing " << path;
    picture_ = ReadPng(path);
    std::remove(path.c_str());
    ASSERT_TRUE(picture_.has_value()) << "cannot read back " << path;
    frameCount_ = frames.size();
  }

  void SetUp() override { ASSERT_TRUE(picture_.has_value()) << "the picture was not drawn"; }

  static const Picture& picture() { return *picture_; }
  static Rgb Background(size_t frame) { return MostCommon(picture(), ScreenOf(frame)); }
  static std::optional<Rect> Ink(size_t frame) {
    const Rgb background = Background(frame);
    return BoundsOf(picture(), ScreenOf(frame), [&](Rgb c) { return c != background; });
  }

  static inline std::optional<Picture> picture_;
  static inline size_t frameCount_ = 0;
};

TEST_F(ScreenPicturePng, PictureHoldsTheScreensInTwoColumns) {
  const Rect last = ScreenOf(frameCount_ - 1);
  const Rect right = ScreenOf(1);
  EXPECT_EQ(picture().width, right.right) << "two screens side by side";
  EXPECT_EQ(picture().height, last.bottom) << "the last row ends the picture";
  for (size_t f = 0; f < frameCount_; ++f) {
    const Rect s = ScreenOf(f);
    EXPECT_EQ(s.right - s.left, kScreenWidth) << "frame " << f;
    EXPECT_EQ(s.bottom - s.top, kScreenHeight) << "frame " << f;
    EXPECT_GE(s.top, 24) << "frame " << f << ": a caption strip above";
  }
}

TEST_F(ScreenPicturePng, LinesLandInTheirBoxes) {
  for (size_t i = 0; i < kPlacements.size(); ++i) {
    const PlacementCase& c = kPlacements[i];
    const std::string what = "case " + std::to_string(i) + ": " + Describe(c.line);
    const std::optional<Rect> ink = Ink(i);
    const std::optional<ScreenBox> box = LineBox(c.line);
    if (!c.shows) {
      EXPECT_FALSE(ink.has_value()) << what << "\n  expected no ink, got " << Show(ink);
      continue;
    }
    ASSERT_TRUE(box.has_value()) << what;
    ASSERT_TRUE(ink.has_value()) << what << "\n  expected ink, got none";
    const double em = c.line.scale * kScreenHeight / 18;
    const double left = box->left * kScreenWidth, right = box->right * kScreenWidth, top = box->top * kScreenHeight, bottom = box->bottom * kScreenHeight;
    const std::string got = "\n  box x " + std::to_string(left) + ".." + std::to_string(right) + ", y " +
                            std::to_string(top) + ".." + std::to_string(bottom) + "; ink " + Show(ink);
    // The ink against the line's own place: its top at y; its left edge, or for a centred line
    // its middle, at x (the bearings at the two ends differ by less than 0.1 em).
    const double x = c.line.x * kScreenWidth, y = c.line.y * kScreenHeight;
    if (y >= 0) {
      EXPECT_NEAR(ink->top, y + kCapGap * em / 2, kCapGap * em / 2 + kEdgeAndRounding) << what << got;
    }
    if (left >= 0 && right <= kScreenWidth) {
      const double anchor = c.line.centred ? (ink->left + ink->right) / 2.0 : ink->left;
      const double slack = (c.line.centred ? kBearing / 2 : kBearing) * em;
      EXPECT_NEAR(anchor, x + slack / 2, slack / 2 + kEdgeAndRounding) << what << got;
    }
    // Where the box runs off the screen, the ink runs to the screen's border.
    if (left < 0) {
      EXPECT_EQ(ink->left, 0) << what << got;
    } else {
      EXPECT_GE(ink->left, left - kEdgeAndRounding) << what << got;
      EXPECT_LE(ink->left, left + kBearing * em + kEdgeAndRounding) << what << got;
    }
    if (right > kScreenWidth) {
      EXPECT_EQ(ink->right, kScreenWidth) << what << got;
    } else {
      EXPECT_LE(ink->right, right + kEdgeAndRounding) << what << got;
      EXPECT_GE(ink->right, right - kBearing * em - kEdgeAndRounding) << what << got;
    }
    if (top < 0) {
      EXPECT_EQ(ink->top, 0) << what << got;
    } else {
      EXPECT_GE(ink->top, top - kEdgeAndRounding) << what << got;
      EXPECT_LE(ink->top, top + kCapGap * em + kEdgeAndRounding) << what << got;
    }
    if (bottom > kScreenHeight) {
      EXPECT_EQ(ink->bottom, kScreenHeight) << what << got;
    } else {
      EXPECT_LE(ink->bottom, bottom + kEdgeAndRounding) << what << got;
      EXPECT_GE(ink->bottom, top + kBaseline * em - kEdgeAndRounding) << what << got;
    }
  }
}

TEST_F(ScreenPicturePng, LinesWithoutAPlaceHaveNoBox) {
  for (size_t i = 0; i < kPlacements.size(); ++i) {
    const ScreenLine& line = kPlacements[i].line;
    const bool usable = std::isfinite(line.x) && std::isfinite(line.y) && std::isfinite(line.scale) && line.scale > 0;
    EXPECT_EQ(LineBox(line).has_value(), usable)
        << "case " << i << ": " << Describe(line) << "\n  expected " << (usable ? "a box" : "no box");
  }
}

TEST_F(ScreenPicturePng, RunsKeepTheirColoursAndTextHasABlackEdge) {
  const std::optional<ScreenBox> box = LineBox(kColourLine);
  ASSERT_TRUE(box.has_value());
  const Rect screen = ScreenOf(kColourFrame);
  // The four runs have the same glyphs, so each fills a quarter of the box.
  const std::array<std::string, 4> runs{"white", "green", "yellow", "red"};
  const double quarter = (box->right - box->left) * kScreenWidth / 4;
  for (size_t q = 0; q < runs.size(); ++q) {
    const int from = screen.left + static_cast<int>(std::ceil(box->left * kScreenWidth + q * quarter));
    const int to = screen.left + static_cast<int>(std::floor(box->left * kScreenWidth + (q + 1) * quarter));
    std::map<std::string, int> found;
    for (int y = screen.top + static_cast<int>(box->top * kScreenHeight); y < screen.top + box->bottom * kScreenHeight; ++y) {
      for (int x = from; x < to; ++x) {
        for (const auto& [name, colour] : kTextColours) {
          if (Distance(picture().At(x, y), colour) <= 8) ++found[name];
        }
      }
    }
    std::string counts;
    for (const auto& [name, n] : found) counts += " " + name + "=" + std::to_string(n);
    EXPECT_GT(found[runs[q]], 100) << "quarter " << q << ": expected " << runs[q] << " pixels, got" << counts;
    EXPECT_EQ(found[runs[q]], std::accumulate(found.begin(), found.end(), 0, [](int s, auto& p) { return s + p.second; }))
        << "quarter " << q << ": expected only " << runs[q] << ", got" << counts;
  }

  // The edge: the ink reaches a pixel past the coloured pixels on every side, and is black.
  const Rgb background = Background(kColourFrame);
  const auto ink = BoundsOf(picture(), screen, [&](Rgb c) { return c != background; });
  const auto coloured = BoundsOf(picture(), screen, [&](Rgb c) { return Distance(c, {0, 0, 0}) > 60 && c != background; });
  // Darker than the background by far: the edge, mixed with the background where it is partly
  // covered, as at the anti-aliased sides of the glyphs.
  const auto black = BoundsOf(picture(), screen, [&](Rgb c) { return Distance(c, {0, 0, 0}) <= 40; });
  ASSERT_TRUE(ink && coloured && black) << "ink " << Show(ink) << ", coloured " << Show(coloured) << ", black " << Show(black);
  EXPECT_LT(ink->left, coloured->left) << "ink " << Show(ink) << ", coloured " << Show(coloured);
  EXPECT_LT(ink->top, coloured->top) << "ink " << Show(ink) << ", coloured " << Show(coloured);
  EXPECT_GT(ink->right, coloured->right) << "ink " << Show(ink) << ", coloured " << Show(coloured);
  EXPECT_GT(ink->bottom, coloured->bottom) << "ink " << Show(ink) << ", coloured " << Show(coloured);
  EXPECT_LE(black->left, coloured->left) << "black " << Show(black) << ", coloured " << Show(coloured);
  EXPECT_GE(black->right, coloured->right) << "black " << Show(black) << ", coloured " << Show(coloured);
}

TEST_F(ScreenPicturePng, LineLargerThanTheScreenIsCutToItAndNothingElse) {
  const Rect screen = ScreenOf(kHugeFrame);
  const std::optional<ScreenBox> box = LineBox(kHugeLine);
  ASSERT_TRUE(box.has_value());
  const int right = screen.left + static_cast<int>(box->right * kScreenWidth);
  ASSERT_LT(right, screen.right - 10) << "the block must end on the screen";
  // The block's box runs from past the left edge to `right`, and over the whole height.
  const Rgb white = kTextColours.at("white");
  const auto notWhite = BoundsOf(picture(), {screen.left, screen.top, right - 2, screen.bottom},
                                 [&](Rgb c) { return c != white; });
  EXPECT_FALSE(notWhite.has_value()) << "expected white inside the block, other pixels at " << Show(notWhite);
  const Rgb background = Background(kHugeFrame + 1);
  // The block's outline reaches a little past its advance (0.01 em here), so the clear part
  // starts 0.02 em after it.
  const auto beyond = BoundsOf(picture(), {right + 40, screen.top, screen.right, screen.bottom},
                               [&](Rgb c) { return c != background; });
  EXPECT_FALSE(beyond.has_value()) << "expected the background right of the block, ink at " << Show(beyond);
  EXPECT_FALSE(Ink(kHugeFrame + 1).has_value()) << "the empty screen beside it: expected no ink, got "
                                                << Show(Ink(kHugeFrame + 1));
}

// Past an em of 2048 pixels a line is left out rather than rendered in one piece.
TEST(ScreenPicturePngLimits, ALineTooLargeToRenderIsLeftOut) {
  const std::string path = TempPath("giant.png");
  ASSERT_EQ(WritePng(path, {{"", {{"\xe2\x96\x88", 1e6f, 0, -0.5f, -0.5f}}}}), "");
  const std::optional<Picture> picture = ReadPng(path);
  std::remove(path.c_str());
  ASSERT_TRUE(picture.has_value());
  const Rect screen = ScreenOf(0);
  const Rgb background = MostCommon(*picture, screen);
  EXPECT_FALSE(BoundsOf(*picture, screen, [&](Rgb c) { return c != background; }).has_value());
}

TEST_F(ScreenPicturePng, CaptionsStayInTheirStripAndGuttersStayClear) {
  const Rgb strip = MostCommon(picture(), {0, 0, ScreenOf(0).right, ScreenOf(0).top});
  ASSERT_NE(strip, Background(1)) << "the caption strip must stand apart from the screen";
  for (size_t f = 0; f < frameCount_; ++f) {
    const Rect screen = ScreenOf(f);
    const Rect captionArea{screen.left, screen.top - 24, screen.right, screen.top};
    const auto marks = BoundsOf(picture(), captionArea, [&](Rgb c) { return c != strip; });
    if (f == kCaptionFrame) {
      ASSERT_TRUE(marks.has_value()) << "frame " << f << ": expected the caption, got an empty strip";
      EXPECT_LE(marks->left, 12) << "frame " << f << ": caption " << Show(marks);
      EXPECT_EQ(marks->right, kScreenWidth) << "frame " << f << ": a long caption runs to the strip's end, got " << Show(marks);
    } else {
      EXPECT_FALSE(marks.has_value()) << "frame " << f << ": expected an empty strip, got marks at " << Show(marks);
    }
  }
  // Between the columns, and in the row's empty place when the frames end in the left column.
  for (int y = 0; y < picture().height; ++y) {
    for (int x = ScreenOf(0).right; x < ScreenOf(1).left; ++x) {
      ASSERT_EQ(picture().At(x, y), strip) << "gutter pixel (" << x << ", " << y << "): expected " << Show(strip)
                                           << ", got " << Show(picture().At(x, y));
    }
  }
}

TEST(ScreenPicturePngErrors, SaysWhatCannotBeWritten) {
  const std::string directory = TempPath("a_directory");
  std::filesystem::create_directories(directory);
  const std::vector<ScreenFrame> one{{"one", {{"Text", 1.0f, 0, 0.1f, 0.1f}}}};
  const std::vector<ScreenFrame> tooMany(65, ScreenFrame{"many", {}});
  struct Case {
    std::string name, path;
    const std::vector<ScreenFrame>* frames;
    std::string expected;  // a part of the error
  };
  const std::vector<ScreenFrame> none;
  const std::vector<Case> cases{
      {"missing folder", TempPath("no_such_folder") + "/picture.png", &one, "cannot write"},
      {"path is a folder", directory, &one, "cannot write"},
      {"no frames", TempPath("none.png"), &none, "no screens"},
      {"too many frames", TempPath("many.png"), &tooMany, "at most 64"},
  };
  for (const Case& c : cases) {
    const std::string error = WritePng(c.path, *c.frames);
    EXPECT_NE(error.find(c.expected), std::string::npos)
        << c.name << ": expected an error with \"" << c.expected << "\", got \"" << error << "\"";
    if (c.frames != &one) {
      EXPECT_FALSE(std::filesystem::exists(c.path)) << c.name << ": expected no file at " << c.path;
    }
  }
  EXPECT_TRUE(std::filesystem::is_directory(directory)) << "a folder in the way must be left alone";
  std::filesystem::remove(directory);
}

// ---------------------------------------------------------------------------------------------
// The terminal preview, read back.

struct PreviewFrame {
  std::string caption;
  std::vector<std::string> cells;  // 18 rows of 64: ' ' or '#', or with colour the ANSI code's digit
  std::vector<std::string> legend;
};

// Reads WritePreview's output; "" when it is not the frame layout.
std::string ParsePreview(const std::string& text, std::vector<PreviewFrame>& frames) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  const std::string border = "+" + std::string(64, '-') + "+";
  size_t i = 0;
  while (i < lines.size()) {
    PreviewFrame frame;
    if (i + 20 > lines.size()) return "frame at line " + std::to_string(i) + " cut short";
    frame.caption = lines[i++];
    if (lines[i++] != border) return "no top border at line " + std::to_string(i - 1);
    for (int row = 0; row < 18; ++row, ++i) {
      const std::string& l = lines[i];
      std::string cells;
      char colour = ' ';
      for (size_t k = 0; k < l.size(); ++k) {
        if (l[k] == '\x1b') {
          const size_t end = l.find('m', k);
          if (l.compare(k, 2, "\x1b[") != 0 || end == std::string::npos) return "bad escape on line " + std::to_string(i);
          const std::string code = l.substr(k + 2, end - k - 2);
          if (code == "0") {
            colour = ' ';
          } else if (code.size() == 2 && code[0] == '4') {
            colour = code[1];
          } else {
            return "unexpected escape code " + code + " on line " + std::to_string(i);
          }
          k = end;
        } else if (l[k] == ' ') {
          cells += colour;
        } else {
          if (colour != ' ') return "a mark on a coloured cell on line " + std::to_string(i);
          cells += l[k];
        }
      }
      if (cells.size() != 66 || cells.front() != '|' || cells.back() != '|') {
        return "row " + std::to_string(row) + " is not 64 cells in a border: [" + l + "]";
      }
      if (colour != ' ') return "row " + std::to_string(row) + " ends without a reset";
      frame.cells.push_back(cells.substr(1, 64));
    }
    if (lines[i++] != border) return "no bottom border at line " + std::to_string(i - 1);
    // A legend line too long for the console goes on in lines of six spaces' indent.
    for (; i < lines.size() && !lines[i].empty(); ++i) {
      if (lines[i].size() > 79) return "line " + std::to_string(i) + " is wider than a console";
      if (lines[i].rfind("      ", 0) == 0 && !frame.legend.empty()) frame.legend.back() += " " + lines[i].substr(6);
      else frame.legend.push_back(lines[i]);
    }
    if (i < lines.size()) ++i;  // the blank line between frames
    frames.push_back(frame);
  }
  return "";
}

std::string CellList(const PreviewFrame& frame, char mark) {
  std::string out;
  for (int r = 0; r < 18; ++r) {
    const auto first = frame.cells[r].find_first_not_of(' '), last = frame.cells[r].find_last_not_of(' ');
    if (first == std::string::npos) continue;
    out += " row " + std::to_string(r) + ": " + std::to_string(first) + ".." + std::to_string(last);
    if (frame.cells[r].substr(first, last - first + 1).find_first_not_of(mark) != std::string::npos) out += "(gaps)";
  }
  return out.empty() ? " none" : out;
}

std::vector<PreviewFrame> Preview(const std::vector<ScreenFrame>& frames, bool colour) {
  std::ostringstream out;
  WritePreview(out, frames, colour);
  std::vector<PreviewFrame> parsed;
  const std::string problem = ParsePreview(out.str(), parsed);
  EXPECT_EQ(problem, "") << out.str();
  EXPECT_EQ(parsed.size(), frames.size()) << out.str();
  parsed.resize(frames.size(), PreviewFrame{"", std::vector<std::string>(18, std::string(64, ' ')), {}});
  return parsed;
}

TEST(ScreenPreview, CellsFollowTheBoxes) {
  struct Case {
    ScreenLine line;
    int firstRow, lastRow;  // what the line's height gives; -1 when no cell shows
  };
  const std::vector<Case> cases{
      {{"~g~Game Clock: ~y~07:05", 0.3f, 0, 0.89f, 0.01f}, 0, 0},
      {{"~g~Brakes held ~r~ON", 0.5f, 1, 0.5f, 0.94f}, 16, 17},
      {{"Big", 4.0f, 0, 0.3f, 0.25f}, 4, 8},
      {{"Off the right edge", 1.0f, 0, 0.8f, 0.2f}, 3, 4},
      {{"Negative", 2.0f, 0, -0.1f, -0.02f}, 0, 1},
      {{"Tiny", 1e-4f, 0, 0.5f, 0.5f}, 9, 9},  // narrower than a cell: one cell still marks it
      {{"Gone", 1.0f, 0, 1.2f, 0.5f}, -1, -1},
      {{"Not a number", 1.0f, 0, kNaN, 0.5f}, -1, -1},
      {{"~g~", 1.0f, 0, 0.5f, 0.5f}, -1, -1},  // nothing to see
  };
  std::vector<ScreenFrame> frames;
  for (const Case& c : cases) frames.push_back({"case", {c.line}});
  const std::vector<PreviewFrame> parsed = Preview(frames, false);
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    std::vector<std::string> expected(18, std::string(64, ' '));
    if (c.firstRow >= 0) {
      const ScreenBox box = *LineBox(c.line);
      const int firstColumn = std::max(0, static_cast<int>(std::floor(box.left * 64)));
      const int lastColumn = std::min(63, std::max(static_cast<int>(std::ceil(box.right * 64)) - 1, firstColumn));
      for (int r = c.firstRow; r <= c.lastRow; ++r) {
        for (int col = firstColumn; col <= lastColumn; ++col) expected[r][col] = '#';
      }
    }
    PreviewFrame want{"", expected, {}};
    EXPECT_EQ(parsed[i].cells, expected) << "case " << i << ": " << Describe(c.line) << "\n  expected"
                                         << CellList(want, '#') << "\n  got" << CellList(parsed[i], '#');
  }
}

TEST(ScreenPreview, LegendSaysWhereALineIsAndWhyItIsNotSeen) {
  struct Case {
    ScreenLine line;
    std::string expected;
  };
  const std::vector<Case> cases{
      {{"~g~Game Clock: ~y~07:05", 0.3f, 0, 0.89f, 0.01f},
       "  # \"Game Clock: 07:05\" at 89 % across, 1 % down (top-left corner), scale 0.3: "
       "covers 89 to 98.9 % across, 1 to 2.7 % down"},
      {{"Off the right edge", 1.0f, 0, 0.8f, 0.2f},
       "  # \"Off the right edge\" at 80 % across, 20 % down (top-left corner), scale 1: "
       "covers 80 to 111.8 % across, 20 to 25.6 % down, partly off the screen"},
      {{"Gone", 1.0f, 1, 1.2f, 0.5f},
       "  - \"Gone\" at 120 % across, 50 % down (top centre), scale 1: "
       "covers 115.5 to 124.5 % across, 50 to 55.6 % down, off the screen, not seen"},
      {{"Not a number", 1.0f, 0, kNaN, 0.5f},
       "  - \"Not a number\" at nan % across, 50 % down (top-left corner), scale 1: "
       "not a finite place, the game's placement is undefined, left out"},
      {{"Far below", 1.0f, 0, 0.5f, -kInf},
       "  - \"Far below\" at 50 % across, -inf % down (top-left corner), scale 1: "
       "not a finite place, the game's placement is undefined, left out"},
      {{"No size", 0.0f, 0, 0.5f, 0.5f},
       "  - \"No size\" at 50 % across, 50 % down (top-left corner), scale 0: "
       "not a size above 0, the game's drawing of it is undefined, left out"},
      {{"~r~", 1.0f, 0, 0.5f, 0.5f},
       "  - \"\" at 50 % across, 50 % down (top-left corner), scale 1: no text, nothing to see"},
      {{"Say \"hi\" \xc3\xbc\x01", 1.0f, 0, 0.1f, 0.1f},
       "  # \"Say \\\"hi\\\" ??\" at 10 % across, 10 % down (top-left corner), scale 1: "
       "covers 10 to 29.1 % across, 10 to 15.6 % down"},
  };
  std::vector<ScreenFrame> frames;
  for (const Case& c : cases) frames.push_back({"case", {c.line}});
  const std::vector<PreviewFrame> parsed = Preview(frames, false);
  for (size_t i = 0; i < cases.size(); ++i) {
    ASSERT_EQ(parsed[i].legend.size(), 1u) << "case " << i << ": " << Describe(cases[i].line);
    EXPECT_EQ(parsed[i].legend[0], cases[i].expected) << "case " << i << ": " << Describe(cases[i].line);
  }
  const std::vector<PreviewFrame> empty = Preview({{"Nothing", {}}}, false);
  EXPECT_EQ(empty[0].legend, std::vector<std::string>{"  (nothing drawn)"});
}

TEST(ScreenPreview, ColouredCellsTakeTheRunUnderTheirCentre) {
  // Two runs of equal width: the box's left half green, its right half red.
  const ScreenLine line{"~g~HHHH~r~HHHH", 2.0f, 0, 0.107f, 0.52f};
  const std::vector<PreviewFrame> parsed = Preview({{"colours", {line}}}, true);
  const ScreenBox box = *LineBox(line);
  const double middle = (box.left + box.right) / 2 * 64;
  // Only a cell whose left part is green and centre red tells its centre from its edge.
  ASSERT_GT(middle - std::floor(middle), 0.05) << "the runs meet at " << middle << ", move the line";
  ASSERT_LT(middle - std::floor(middle), 0.45) << "the runs meet at " << middle << ", move the line";
  std::vector<std::string> expected(18, std::string(64, ' '));
  for (int r = 9; r <= 11; ++r) {
    for (int c = static_cast<int>(std::floor(box.left * 64)); c < std::ceil(box.right * 64); ++c) {
      expected[r][c] = c + 0.5 < middle ? '2' : '1';  // the ANSI digits of green and red
    }
  }
  PreviewFrame want{"", expected, {}};
  EXPECT_EQ(parsed[0].cells, expected) << "expected" << CellList(want, '2') << "\n  got" << CellList(parsed[0], '2')
                                       << "\n  rows: " << parsed[0].cells[9] << "|\n        " << expected[9] << "|";
}

TEST(ScreenPreview, OutputIsAsciiAndEscapesOnlyWithColour) {
  const std::vector<ScreenFrame> frames{
      {"Uhr \xe2\x80\x93 Spielzeit \xc3\xbc", {{"~g~Zeit: ~y~07:05 \xe2\x80\x93 \xc3\xbc", 1.0f, 0, 0.2f, 0.2f}}},
      {"Bad bytes \xff\xfe", {{"\xc3(\xed\xa0\x80~r~\x1b[31m", 1.0f, 1, 0.5f, 0.5f}}},
  };
  for (bool colour : {false, true}) {
    std::ostringstream out;
    WritePreview(out, frames, colour);
    const std::string text = out.str();
    const auto nonAscii = std::find_if(text.begin(), text.end(), [](char c) {
      const auto u = static_cast<unsigned char>(c);
      return u >= 0x80 || (u < 0x20 && c != '\n' && c != '\x1b');
    });
    EXPECT_EQ(nonAscii, text.end()) << "colour " << colour << ": byte " << static_cast<int>(static_cast<unsigned char>(*nonAscii))
                                    << " at " << (nonAscii - text.begin()) << " in\n" << text;
    const size_t escapes = std::count(text.begin(), text.end(), '\x1b');
    if (colour) {
      EXPECT_GT(escapes, 0u) << "expected colour escapes in\n" << text;
    } else {
      EXPECT_EQ(escapes, 0u) << "expected no escapes, the text's own included, in\n" << text;
    }
    std::vector<PreviewFrame> parsed;
    EXPECT_EQ(ParsePreview(text, parsed), "") << text;
  }
}

}  // namespace
}  // namespace tarquel::check
