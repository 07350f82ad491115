#include "settings_checker/screen_picture.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <stdexcept>
#include <system_error>

#include "host_emulator/colour_tokens.h"
#include "settings_checker/embedded_font.h"
#include "settings_checker/text_wrap.h"

// The two libraries are compiled into this file alone, their functions file-local.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wcast-qual"
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wdouble-promotion"
#endif
#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace tarquel::check {
namespace {

// ---------------------------------------------------------------------------------------------
// The screen's proportions and the picture's layout.

constexpr double kAspect = 16.0 / 9.0;  // screen width over height
constexpr double kLinesPerScreen = 18;  // ems in the screen's height at scale 1.0

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 720;
constexpr int kCaptionHeight = 24;
constexpr int kGutter = 4;  // between the two columns, in the caption strip's colour
constexpr int kColumns = 2;
constexpr size_t kMaxFramesInPng = 64;  // about 47 MB of pixels
// Glyphs are rendered whole, so a line whose em is larger than this is left out of the PNG; the
// plug-ins' lines are a few pixels high.
constexpr double kMaxEmPixels = 2048;

constexpr int kPreviewColumns = 64;
constexpr int kPreviewRows = 18;

struct Rgb {
  float r, g, b;
};

// The text colours the game's tokens select, in the order of the Colour enum.
enum Colour { kWhite, kGreen, kYellow, kRed };
constexpr std::array<Rgb, 4> kTextColours{{{240, 240, 240}, {114, 204, 114}, {240, 200, 80}, {224, 50, 50}}};
// The terminal's background colours for them (the eight basic ones, which every console has).
constexpr std::array<const char*, 4> kAnsiBackground{"\x1b[47m", "\x1b[42m", "\x1b[43m", "\x1b[41m"};
constexpr const char* kAnsiReset = "\x1b[0m";

constexpr Rgb kScreenBackground{40, 48, 60};
constexpr Rgb kCaptionStrip{22, 26, 33};
constexpr Rgb kCaptionText{200, 204, 210};
constexpr Rgb kEdge{0, 0, 0};

Colour ColourNamed(const std::string& name) {
  if (name == "green") return kGreen;
  if (name == "yellow") return kYellow;
  if (name == "red") return kRed;
  return kWhite;
}

// ---------------------------------------------------------------------------------------------
// Text: UTF-8 into code points, and code points into printable ASCII for the terminal.

// Decodes UTF-8; each byte that does not start a well-formed sequence becomes U+FFFD.
std::vector<char32_t> DecodeUtf8(const std::string& text) {
  std::vector<char32_t> out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    int length = 0;
    char32_t cp = 0, minimum = 0;
    if (b0 < 0x80) {
      out.push_back(b0);
      ++i;
      continue;
    } else if ((b0 & 0xE0) == 0xC0) {
      length = 2, cp = b0 & 0x1F, minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
      length = 3, cp = b0 & 0x0F, minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
      length = 4, cp = b0 & 0x07, minimum = 0x10000;
    }
    bool good = length != 0 && i + length <= text.size();
    for (int k = 1; good && k < length; ++k) {
      const auto b = static_cast<unsigned char>(text[i + k]);
      if ((b & 0xC0) != 0x80) good = false;
      cp = (cp << 6) | (b & 0x3F);
    }
    if (good && (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) good = false;
    if (good) {
      out.push_back(cp);
      i += length;
    } else {
      out.push_back(0xFFFD);
      ++i;
    }
  }
  return out;
}

// What a text reads, for a console that may show nothing but ASCII: other characters, and
// control characters, become '?'. With `quoted`, quotes and backslashes are escaped.
std::string PrintableAscii(const std::string& text, bool quoted) {
  std::string out;
  for (char32_t cp : DecodeUtf8(text)) {
    if (cp < 0x20 || cp > 0x7E) {
      out += '?';
    } else {
      if (quoted && (cp == '"' || cp == '\\')) out += '\\';
      out += static_cast<char>(cp);
    }
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// The font and the layout of a line.

struct Font {
  stbtt_fontinfo info{};
  int unitsPerEm = 0;
  double ascent = 0;  // top of the em to the baseline, in font units
};

const Font& PictureFont() {
  static const Font font = [] {
    Font f;
    const unsigned char* data = EmbeddedFontData();
    const int offset = stbtt_GetFontOffsetForIndex(data, 0);
    if (EmbeddedFontSize() < 12 || offset < 0 || !stbtt_InitFont(&f.info, data, offset)) {
      throw std::runtime_error("the pictures' built-in font cannot be read");
    }
    f.unitsPerEm = ttUSHORT(f.info.data + f.info.head + 18);
    if (f.unitsPerEm <= 0) throw std::runtime_error("the pictures' built-in font has no em size");
    // The typographic ascender and descender span the em exactly in this font; without them,
    // the line's ascent and descent are shared out over the em in their proportion.
    int ascent = 0, descent = 0, gap = 0;
    if (stbtt_GetFontVMetricsOS2(&f.info, &ascent, &descent, &gap) && ascent - descent > 0) {
      f.ascent = f.unitsPerEm * static_cast<double>(ascent) / (ascent - descent);
    } else {
      stbtt_GetFontVMetrics(&f.info, &ascent, &descent, &gap);
      f.ascent = ascent - descent > 0 ? f.unitsPerEm * static_cast<double>(ascent) / (ascent - descent)
                                      : f.unitsPerEm * 0.8;
    }
    return f;
  }();
  return font;
}

struct PlacedGlyph {
  int glyph = 0;
  double pen = 0;  // where the glyph's origin lies, in font units from the line's left edge
  Colour colour = kWhite;
};

struct LaidOutLine {
  std::vector<PlacedGlyph> glyphs;
  double advance = 0;  // the whole line's width in font units
};

// The glyphs of a text, tokens applied, at their pen positions (advance widths and kerning).
LaidOutLine LayOut(const std::string& text) {
  const Font& font = PictureFont();
  LaidOutLine line;
  int previous = -1;
  for (const auto& run : tarquel::emu::ColourRuns(text)) {
    const Colour colour = ColourNamed(run.colour);
    for (char32_t cp : DecodeUtf8(run.text)) {
      const int glyph = stbtt_FindGlyphIndex(&font.info, static_cast<int>(cp));
      if (previous >= 0) line.advance += stbtt_GetGlyphKernAdvance(&font.info, previous, glyph);
      int advance = 0, bearing = 0;
      stbtt_GetGlyphHMetrics(&font.info, glyph, &advance, &bearing);
      line.glyphs.push_back({glyph, line.advance, colour});
      line.advance += advance;
      previous = glyph;
    }
  }
  return line;
}

double EmHeight(float scale) { return static_cast<double>(scale) / kLinesPerScreen; }

// The box of a laid-out line, in fractions of the screen.
ScreenBox BoxOf(const ScreenLine& line, const LaidOutLine& laid) {
  const double em = EmHeight(line.scale);
  const double width = laid.advance / PictureFont().unitsPerEm * em / kAspect;
  ScreenBox box;
  box.left = line.centred != 0 ? line.x - width / 2 : static_cast<double>(line.x);
  box.top = line.y;
  box.right = box.left + width;
  box.bottom = box.top + em;
  return box;
}

bool Usable(const ScreenLine& line) {
  return std::isfinite(line.x) && std::isfinite(line.y) && std::isfinite(line.scale) && line.scale > 0;
}

// ---------------------------------------------------------------------------------------------
// Drawing: glyphs rendered by the font library, with anti-aliasing, into a window of the picture.

struct Image {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;

  void Fill(int left, int top, int w, int h, Rgb colour) {
    for (int y = std::max(top, 0); y < std::min(top + h, height); ++y) {
      for (int x = std::max(left, 0); x < std::min(left + w, width); ++x) Put(x, y, colour);
    }
  }
  void Put(int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    p[0] = ToByte(colour.r), p[1] = ToByte(colour.g), p[2] = ToByte(colour.b);
  }
  Rgb Get(int x, int y) const {
    const unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])};
  }
  static unsigned char ToByte(float v) { return static_cast<unsigned char>(std::clamp(v, 0.0f, 255.0f) + 0.5f); }
};

Rgb Mix(Rgb under, Rgb over, float alpha) {
  return {under.r + (over.r - under.r) * alpha, under.g + (over.g - under.g) * alpha,
          under.b + (over.b - under.b) * alpha};
}

// Coverage and colour of the glyphs of one line over a window of the picture.
struct Coverage {
  int left = 0, top = 0, width = 0, height = 0;  // the window, in picture pixels
  std::vector<float> amount;                      // summed coverage
  std::vector<Rgb> colour;                        // colours weighted by their coverage

  Coverage(int l, int t, int w, int h)
      : left(l), top(t), width(w), height(h), amount(static_cast<size_t>(w) * h, 0.0f),
        colour(static_cast<size_t>(w) * h, Rgb{0, 0, 0}) {}

  float Alpha(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    return std::min(amount[static_cast<size_t>(y) * width + x], 1.0f);
  }
};

// A window in picture pixels, its coordinates clamped before they become ints.
struct Window {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  bool Empty() const { return right <= left || bottom <= top; }
};

int ClampToInt(double v, int lo, int hi) {
  if (!(v >= lo)) return lo;  // NaN lands here too
  if (v >= hi) return hi;
  return static_cast<int>(v);
}

Window Intersect(Window a, Window b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

// Adds one glyph, rendered by the font library with its origin at (originX, originY) in window
// pixels (fractions kept as the subpixel shift), to the coverage.
void FillGlyph(const Font& font, int glyph, double originX, double originY, double unit, Rgb colour,
               Coverage& cover) {
  const double baseX = std::floor(originX), baseY = std::floor(originY);
  const auto shiftX = static_cast<float>(originX - baseX), shiftY = static_cast<float>(originY - baseY);
  const auto fontScale = static_cast<float>(unit);
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  stbtt_GetGlyphBitmapBoxSubpixel(&font.info, glyph, fontScale, fontScale, shiftX, shiftY, &x0, &y0, &x1, &y1);
  const int width = x1 - x0, height = y1 - y0;
  if (width <= 0 || height <= 0) return;
  std::vector<unsigned char> bitmap(static_cast<size_t>(width) * height, 0);
  stbtt_MakeGlyphBitmapSubpixel(&font.info, bitmap.data(), width, height, width, fontScale, fontScale, shiftX,
                                shiftY, glyph);
  const int left = static_cast<int>(baseX) + x0, top = static_cast<int>(baseY) + y0;
  for (int y = std::max(0, -top); y < height && top + y < cover.height; ++y) {
    for (int x = std::max(0, -left); x < width && left + x < cover.width; ++x) {
      const float w = bitmap[static_cast<size_t>(y) * width + x] / 255.0f;
      if (w <= 0) continue;
      const size_t i = static_cast<size_t>(top + y) * cover.width + (left + x);
      cover.amount[i] += w;
      cover.colour[i].r += colour.r * w, cover.colour[i].g += colour.g * w, cover.colour[i].b += colour.b * w;
    }
  }
}

// Draws a text with its top-left em corner at (left, top) in picture pixels, an em `emPixels`
// high, into the picture but only inside `clip`; with `edged`, a one-pixel black edge around it.
void DrawText(Image& image, const LaidOutLine& laid, double left, double top, double emPixels, Window clip,
              bool edged, const Rgb* onlyColour) {
  if (!(emPixels > 0) || emPixels > kMaxEmPixels) return;
  const Font& font = PictureFont();
  const double unit = emPixels / font.unitsPerEm;
  const double baseline = top + font.ascent * unit;
  const int margin = edged ? 1 : 0;  // coverage just outside the clip still edges pixels inside it
  const Window outer{clip.left - margin, clip.top - margin, clip.right + margin, clip.bottom + margin};

  // Only the part of the line where some glyph lands needs a window.
  Window reach{outer.right, outer.bottom, outer.left, outer.top};
  for (const PlacedGlyph& g : laid.glyphs) {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    if (!stbtt_GetGlyphBox(&font.info, g.glyph, &x0, &y0, &x1, &y1)) continue;
    const double originX = left + g.pen * unit;
    const Window box{ClampToInt(std::floor(originX + x0 * unit), outer.left, outer.right),
                     ClampToInt(std::floor(baseline - y1 * unit), outer.top, outer.bottom),
                     ClampToInt(std::ceil(originX + x1 * unit) + 1, outer.left, outer.right),
                     ClampToInt(std::ceil(baseline - y0 * unit) + 1, outer.top, outer.bottom)};
    if (box.Empty()) continue;
    reach = {std::min(reach.left, box.left), std::min(reach.top, box.top), std::max(reach.right, box.right),
             std::max(reach.bottom, box.bottom)};
  }
  if (reach.Empty()) return;
  reach = Intersect(Window{reach.left - margin, reach.top - margin, reach.right + margin, reach.bottom + margin}, outer);

  Coverage cover(reach.left, reach.top, reach.right - reach.left, reach.bottom - reach.top);
  for (const PlacedGlyph& g : laid.glyphs) {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    if (!stbtt_GetGlyphBox(&font.info, g.glyph, &x0, &y0, &x1, &y1)) continue;
    const double originX = left + g.pen * unit - cover.left;
    const double originY = baseline - cover.top;
    if (originX + x1 * unit < 0 || originX + x0 * unit > cover.width || originY - y0 * unit < 0 ||
        originY - y1 * unit > cover.height) {
      continue;
    }
    const Rgb colour = onlyColour != nullptr ? *onlyColour : kTextColours[g.colour];
    FillGlyph(font, g.glyph, originX, originY, unit, colour, cover);
  }

  const Window paint = Intersect(Intersect(clip, reach), Window{0, 0, image.width, image.height});
  for (int y = paint.top; y < paint.bottom; ++y) {
    for (int x = paint.left; x < paint.right; ++x) {
      const int cx = x - cover.left, cy = y - cover.top;
      const float alpha = cover.Alpha(cx, cy);
      float edge = 0;
      if (edged) {
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) edge = std::max(edge, cover.Alpha(cx + dx, cy + dy));
        }
      }
      if (alpha <= 0 && edge <= 0) continue;
      Rgb pixel = Mix(image.Get(x, y), kEdge, edge);
      if (alpha > 0) {
        const size_t i = static_cast<size_t>(cy) * cover.width + cx;
        const float sum = cover.amount[i];
        const Rgb fill{cover.colour[i].r / sum, cover.colour[i].g / sum, cover.colour[i].b / sum};
        pixel = Mix(pixel, fill, alpha);
      }
      image.Put(x, y, pixel);
    }
  }
}

void AppendToVector(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<unsigned char>*>(context);
  const auto* bytes = static_cast<const unsigned char*>(data);
  out->insert(out->end(), bytes, bytes + size);
}

// ---------------------------------------------------------------------------------------------
// Numbers for the legend: always with a point, whatever the locale, and short.

std::string Number(double v, int decimals) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
  char buffer[64];
  std::to_chars_result result;
  if (std::fabs(v) < 1e6) {
    result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
  } else {
    result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 3);
  }
  std::string s(buffer, result.ec == std::errc() ? result.ptr : buffer);
  if (s.find('.') != std::string::npos && s.find('e') == std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

std::string Percent(double fraction) { return Number(fraction * 100, 1); }

std::string Scale(float scale) {
  if (std::isnan(scale)) return "nan";
  if (std::isinf(scale)) return scale > 0 ? "inf" : "-inf";
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, scale);
  return std::string(buffer, result.ec == std::errc() ? result.ptr : buffer);
}

// The cells of the preview a box covers, on the screen: [colBegin, colEnd) x [rowBegin, rowEnd).
struct CellRange {
  int colBegin = 0, colEnd = 0, rowBegin = 0, rowEnd = 0;
  bool Empty() const { return colEnd <= colBegin || rowEnd <= rowBegin; }
};

// Cells from floor(start) to ceil(end) - 1, at least one, cut to [0, count).
std::pair<int, int> CellSpan(double start, double end, int count) {
  const double first = std::floor(start);
  const double last = std::max(std::ceil(end) - 1, first);
  return {ClampToInt(first, 0, count), ClampToInt(last + 1, 0, count)};
}

CellRange CellsOf(const ScreenBox& box) {
  const auto [c0, c1] = CellSpan(box.left * kPreviewColumns, box.right * kPreviewColumns, kPreviewColumns);
  const auto [r0, r1] = CellSpan(box.top * kPreviewRows, box.bottom * kPreviewRows, kPreviewRows);
  return {c0, c1, r0, r1};
}

// The colour of the run under a point of the line, `at` in font units from its left edge.
Colour ColourAt(const LaidOutLine& laid, double at) {
  Colour colour = laid.glyphs.front().colour;
  for (const PlacedGlyph& g : laid.glyphs) {
    if (g.pen > at) break;
    colour = g.colour;
  }
  return colour;
}

// What a line reads and where it lands, for the reader: "#" before a line that shows, "-" before
// one that does not, with why. Players read these, and transcripts hold them: keep them stable.
std::string LegendLine(const ScreenLine& line, const LaidOutLine& laid, bool shown) {
  std::string visible;
  for (const auto& run : tarquel::emu::ColourRuns(line.text)) visible += run.text;
  std::string out = shown ? "  # " : "  - ";
  out += '"' + PrintableAscii(visible, true) + '"';
  out += " at " + Percent(line.x) + " % across, " + Percent(line.y) + " % down (";
  out += line.centred != 0 ? "top centre" : "top-left corner";
  out += "), scale " + Scale(line.scale) + ": ";
  if (!std::isfinite(line.x) || !std::isfinite(line.y)) {
    return out + "not a finite place, the game's placement is undefined, left out";
  }
  if (!std::isfinite(line.scale) || line.scale <= 0) {
    return out + "not a size above 0, the game's drawing of it is undefined, left out";
  }
  if (laid.glyphs.empty()) return out + "no text, nothing to see";
  const ScreenBox box = BoxOf(line, laid);
  out += "covers " + Percent(box.left) + " to " + Percent(box.right) + " % across, " + Percent(box.top) + " to " +
         Percent(box.bottom) + " % down";
  if (!shown) return out + ", off the screen, not seen";
  if (box.left < 0 || box.right > 1 || box.top < 0 || box.bottom > 1) out += ", partly off the screen";
  return out;
}

}  // namespace

std::optional<ScreenBox> LineBox(const ScreenLine& line) {
  if (!Usable(line)) return std::nullopt;
  return BoxOf(line, LayOut(line.text));
}

void WritePreview(std::ostream& out, const std::vector<ScreenFrame>& frames, bool colour) {
  constexpr int kNoCell = -1;
  for (size_t f = 0; f < frames.size(); ++f) {
    const ScreenFrame& frame = frames[f];
    if (f > 0) out << '\n';
    std::array<std::array<int, kPreviewColumns>, kPreviewRows> cells;
    for (auto& row : cells) row.fill(kNoCell);
    std::vector<std::string> legend;

    for (const ScreenLine& line : frame.lines) {
      const LaidOutLine laid = LayOut(line.text);
      bool shown = false;
      if (Usable(line) && !laid.glyphs.empty()) {
        const ScreenBox box = BoxOf(line, laid);
        const CellRange range = CellsOf(box);
        shown = !range.Empty();
        const double width = box.right - box.left;
        for (int r = range.rowBegin; r < range.rowEnd; ++r) {
          for (int c = range.colBegin; c < range.colEnd; ++c) {
            // The run under the cell's centre, found along the line by its share of the box.
            const double share = width > 0 ? ((c + 0.5) / kPreviewColumns - box.left) / width : 0;
            cells[r][c] = ColourAt(laid, share * laid.advance);
          }
        }
      }
      legend.push_back(LegendLine(line, laid, shown));
    }

    out << PrintableAscii(frame.caption, false) << '\n';
    const std::string border = '+' + std::string(kPreviewColumns, '-') + '+';
    out << border << '\n';
    for (const auto& row : cells) {
      out << '|';
      int current = kNoCell;
      for (int cell : row) {
        if (!colour) {
          out << (cell == kNoCell ? ' ' : '#');
          continue;
        }
        if (cell != current) out << (cell == kNoCell ? kAnsiReset : kAnsiBackground[cell]);
        current = cell;
        out << ' ';
      }
      if (current != kNoCell) out << kAnsiReset;
      out << "|\n";
    }
    out << border << '\n';
    if (legend.empty()) out << "  (nothing drawn)\n";
    for (const std::string& l : legend) WriteWrapped(out, l.substr(4), l.substr(0, 4), "      ");
  }
}

PixelRect ScreenRectInPng(size_t index) {
  const long long column = static_cast<long long>(index % kColumns);
  const long long row = static_cast<long long>(std::min<size_t>(index / kColumns, 1u << 20));
  const long long top = row * (kCaptionHeight + kScreenHeight) + kCaptionHeight;
  return {static_cast<int>(column * (kScreenWidth + kGutter)),
          static_cast<int>(std::min<long long>(top, std::numeric_limits<int>::max())), kScreenWidth, kScreenHeight};
}

std::string WritePng(const std::string& path, const std::vector<ScreenFrame>& frames) {
  if (frames.empty()) return "no screens to draw";
  if (frames.size() > kMaxFramesInPng) {
    return "too many screens for one picture (" + std::to_string(frames.size()) + ", at most " +
           std::to_string(kMaxFramesInPng) + ")";
  }
  const size_t columns = std::min<size_t>(frames.size(), kColumns);
  const size_t rows = (frames.size() + kColumns - 1) / kColumns;
  Image image;
  image.width = static_cast<int>(columns * kScreenWidth + (columns - 1) * kGutter);
  image.height = static_cast<int>(rows * (kCaptionHeight + kScreenHeight));
  image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
  image.Fill(0, 0, image.width, image.height, kCaptionStrip);

  for (size_t f = 0; f < frames.size(); ++f) {
    const PixelRect screen = ScreenRectInPng(f);
    image.Fill(screen.left, screen.top, screen.width, screen.height, kScreenBackground);

    // The caption, plain, over the strip above the screen.
    const Window strip{screen.left, screen.top - kCaptionHeight, screen.left + screen.width, screen.top};
    DrawText(image, LayOut(frames[f].caption), screen.left + 6.0, strip.top + 4.0, 16.0, strip, false, &kCaptionText);

    const Window clip{screen.left, screen.top, screen.left + screen.width, screen.top + screen.height};
    for (const ScreenLine& line : frames[f].lines) {
      if (!Usable(line)) continue;
      const LaidOutLine laid = LayOut(line.text);
      const ScreenBox box = BoxOf(line, laid);
      DrawText(image, laid, screen.left + box.left * screen.width, screen.top + box.top * screen.height,
               EmHeight(line.scale) * screen.height, clip, true, nullptr);
    }
  }

  std::vector<unsigned char> png;
  if (!stbi_write_png_to_func(AppendToVector, &png, image.width, image.height, 3, image.rgb.data(),
                              image.width * 3) ||
      png.empty()) {
    return "cannot encode the picture for " + path;
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return "cannot write " + path;
  file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  file.close();
  if (!file) {
    // A picture cut short (a full disk) is not left behind to be mistaken for a whole one.
    std::remove(path.c_str());
    return "cannot write " + path;
  }
  return "";
}

}  // namespace tarquel::check
