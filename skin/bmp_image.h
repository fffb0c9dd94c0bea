// Windows BMP files read into plain 32-bit pixels, bounded for untrusted input, and a
// 24-bit writer for tests and tools. No Qt: the skin model and its tests use it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/input_file.h"

namespace raidmon {

// Limits for a bitmap read from a file: larger ones are refused as not valid.
inline constexpr std::int32_t kMaxBmpSide = 16384;
inline constexpr std::int64_t kMaxBmpPixels = 4096LL * 4096LL;
inline constexpr std::size_t kMaxBmpFileSize = 80u * 1024u * 1024u;

// Pixels as 0x00RRGGBB, rows from the top row down, width * height of them.
struct RgbImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> pixels;

  bool empty() const { return width <= 0 || height <= 0; }
  std::uint32_t at(std::int32_t x, std::int32_t y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
  void set(std::int32_t x, std::int32_t y, std::uint32_t rgb) {
    pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
           static_cast<std::size_t>(x)] = rgb & 0xFFFFFFu;
  }
  static RgbImage filled(std::int32_t width, std::int32_t height, std::uint32_t rgb);
};

// The message of a bitmap that cannot be used.
inline constexpr const char* kBitmapNotValid = "Bitmap image is not valid";

// Decodes a BMP file's bytes: info headers of 12, 40, 52, 56, 108 or 124 bytes;
// 1, 4 and 8 bits with a palette, 16 (5-5-5 or bit fields), 24 and 32 bits (plain or
// bit fields); bottom-up or top-down rows. Compressed (RLE, JPEG, PNG) bitmaps are
// refused. Throws RaidmonError(kBitmapNotValid) on anything malformed, truncated or
// beyond the limits above; every read is bounds-checked.
RgbImage decodeBmp(std::span<const std::uint8_t> bytes);

// Reads and decodes a file. Throws RaidmonError: "Cannot open file "<path>"" when it
// is missing, unreadable or not a regular file (a FIFO or a device is never waited
// on), "<kBitmapNotValid>: <path>" when it is larger than kMaxBmpFileSize or does not
// decode.
RgbImage loadBmpFile(const std::string& path);
// The same for a file already opened (`path` names it in messages), in its two steps:
// the bytes (at most kMaxBmpFileSize), then the decoding.
RgbImage loadBmpFile(InputFile& file, const std::string& path);
std::vector<std::uint8_t> readBmpBytes(InputFile& file, const std::string& path);
RgbImage decodeBmpBytes(std::span<const std::uint8_t> bytes, const std::string& path);

// Width x height as the header announces them (before anything is decoded), or 0 when
// the header is not one decodeBmp reads.
std::int64_t bmpPixelCount(std::span<const std::uint8_t> bytes);

// A 24-bit bottom-up BMP of the image.
std::vector<std::uint8_t> encodeBmp24(const RgbImage& image);

}  // namespace raidmon
