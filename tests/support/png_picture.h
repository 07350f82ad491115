// The checker's pictures read back with libpng, a decoder of its own, for tests that look at
// where the ink lies rather than at the bytes.
#pragma once

#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "settings_checker/screen_picture.h"

namespace tarquel::test {

struct Rgb {
  int r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
  friend bool operator<(const Rgb& a, const Rgb& b) {
    return std::tie(a.r, a.g, a.b) < std::tie(b.r, b.g, b.b);
  }
};

inline std::string Show(Rgb c) {
  return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

struct Picture {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  Rgb At(int x, int y) const {
    const unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return {p[0], p[1], p[2]};
  }
};

inline std::optional<Picture> ReadPng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return std::nullopt;
  image.format = PNG_FORMAT_RGB;
  Picture picture;
  picture.width = static_cast<int>(image.width);
  picture.height = static_cast<int>(image.height);
  picture.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  return picture;
}

// A rectangle in pixels, right and bottom exclusive.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

inline std::string Show(const std::optional<Rect>& r) {
  if (!r) return "nothing";
  return "x " + std::to_string(r->left) + ".." + std::to_string(r->right) + ", y " + std::to_string(r->top) +
         ".." + std::to_string(r->bottom);
}

// Where frame `frame`'s screen lies in the checker's pictures.
inline Rect ScreenOf(size_t frame) {
  const check::PixelRect s = check::ScreenRectInPng(frame);
  return {s.left, s.top, s.left + s.width, s.top + s.height};
}

// The colour most pixels of the area have.
inline Rgb MostCommon(const Picture& picture, Rect area) {
  std::map<Rgb, int> counts;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) ++counts[picture.At(x, y)];
  }
  return std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
}

// The bounding box, relative to the area, of its pixels that pass `keep`.
template <typename Keep>
std::optional<Rect> BoundsOf(const Picture& picture, Rect area, Keep keep) {
  std::optional<Rect> bounds;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (!keep(picture.At(x, y))) continue;
      const int rx = x - area.left, ry = y - area.top;
      if (!bounds) bounds = Rect{rx, ry, rx + 1, ry + 1};
      bounds->left = std::min(bounds->left, rx), bounds->right = std::max(bounds->right, rx + 1);
      bounds->top = std::min(bounds->top, ry), bounds->bottom = std::max(bounds->bottom, ry + 1);
    }
  }
  return bounds;
}

inline int Distance(Rgb a, Rgb b) { return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)}); }

}  // namespace tarquel::test
