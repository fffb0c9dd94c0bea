// Bitmap files for tests: a 1-bit BMP (two colours, 2 MB at the largest size the
// reader takes) and a checkerboard in that format, the mask with the most runs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace raidmon::test {

// A bottom-up 1-bit BMP, palette {white, black}; pixel (x, y) is black when
// `black(x, y)`.
template <class BlackFn>
std::vector<std::uint8_t> bmp1(std::int32_t width, std::int32_t height, BlackFn black) {
  const std::size_t stride = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
  const std::size_t offset = 14 + 40 + 8;
  std::vector<std::uint8_t> out(offset + stride * static_cast<std::size_t>(height), 0);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, static_cast<std::uint32_t>(out.size()));
  put32(10, offset);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  out[26] = 1;
  out[28] = 1;
  put32(46, 2);
  out[54] = out[55] = out[56] = 0xFF;  // index 0: white; index 1 stays black
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = out.data() + offset + stride * static_cast<std::size_t>(height - 1 - y);
    for (std::int32_t x = 0; x < width; ++x) {
      if (black(x, y)) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
  }
  return out;
}

// Opaque and transparent (white) pixels alternating in both directions: width / 2
// runs in every row.
inline std::vector<std::uint8_t> checkerboardBmp(std::int32_t width, std::int32_t height) {
  return bmp1(width, height, [](std::int32_t x, std::int32_t y) { return (x + y) % 2 == 0; });
}

inline void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

}  // namespace raidmon::test
