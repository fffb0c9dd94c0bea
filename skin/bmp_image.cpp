#include "skin/bmp_image.h"

#include <array>
#include <bit>

#include "platform/raidmon_error.h"

namespace raidmon {

namespace {

[[noreturn]] void notValid() { throw RaidmonError(kBitmapNotValid); }

// A bounds-checked little-endian reader over the file's bytes.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint8_t u8(std::size_t at) const {
    if (at >= bytes_.size()) notValid();
    return bytes_[at];
  }
  std::uint16_t u16(std::size_t at) const {
    return static_cast<std::uint16_t>(u8(at) | (u8(at + 1) << 8));
  }
  std::uint32_t u32(std::size_t at) const {
    return static_cast<std::uint32_t>(u16(at)) | (static_cast<std::uint32_t>(u16(at + 2)) << 16);
  }
  std::int32_t i32(std::size_t at) const { return static_cast<std::int32_t>(u32(at)); }
  std::size_t size() const { return bytes_.size(); }
  const std::uint8_t* data() const { return bytes_.data(); }

 private:
  std::span<const std::uint8_t> bytes_;
};

// One channel described by a bit mask, scaled to 0..255.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t max = 0;

  static Channel of(std::uint32_t mask) {
    Channel c;
    c.mask = mask;
    if (mask == 0) return c;
    c.shift = std::countr_zero(mask);
    c.max = mask >> c.shift;
    if ((c.max & (c.max + 1)) != 0) notValid();  // the mask's bits must be contiguous
    return c;
  }
  std::uint32_t value(std::uint32_t pixel) const {
    if (mask == 0) return 0;
    const std::uint32_t v = (pixel & mask) >> shift;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(v) * 255u + max / 2) / max);
  }
};

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;

// The info header follows the 14-byte file header.
constexpr std::size_t kInfo = 14;

// What the file and info headers say about the pixels.
struct BmpHeader {
  std::uint32_t pixelOffset = 0;
  std::uint32_t headerSize = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;  // positive once checked; topDown keeps the sign's meaning
  bool topDown = false;
  std::uint32_t bits = 0;
  std::uint32_t compression = kBiRgb;
  std::uint32_t paletteUsed = 0;
  std::size_t paletteEntry = 4;  // bytes per palette entry
  std::array<std::uint32_t, 3> masks{};

  bool paletted() const { return bits == 1 || bits == 4 || bits == 8; }
  bool bitFields() const { return compression == kBiBitfields || compression == kBiAlphaBitfields; }
};

// The core header: 16-bit sizes, 3-byte palette entries.
void readCoreHeader(const Reader& r, BmpHeader& h) {
  h.width = r.u16(kInfo + 4);
  h.height = static_cast<std::int16_t>(r.u16(kInfo + 6));
  if (r.u16(kInfo + 8) != 1) notValid();
  h.bits = r.u16(kInfo + 10);
  h.paletteEntry = 3;
}

// The 40-byte header and its larger successors.
void readInfoHeader(const Reader& r, BmpHeader& h) {
  h.width = r.i32(kInfo + 4);
  h.height = r.i32(kInfo + 8);
  if (r.u16(kInfo + 12) != 1) notValid();
  h.bits = r.u16(kInfo + 14);
  h.compression = r.u32(kInfo + 16);
  h.paletteUsed = r.u32(kInfo + 32);
  if (h.bitFields()) {
    // The masks follow a 40-byte header, or sit inside the larger headers.
    for (std::size_t i = 0; i < 3; ++i) h.masks[i] = r.u32(kInfo + 40 + 4 * i);
  }
}

BmpHeader readHeader(const Reader& r) {
  if (r.u8(0) != 'B' || r.u8(1) != 'M') notValid();
  BmpHeader h;
  h.pixelOffset = r.u32(10);
  h.headerSize = r.u32(14);
  if (h.headerSize == 12) {
    readCoreHeader(r, h);
  } else if (h.headerSize == 40 || h.headerSize == 52 || h.headerSize == 56 || h.headerSize == 108 ||
             h.headerSize == 124) {
    readInfoHeader(r, h);
  } else {
    notValid();
  }
  return h;
}

// Refuses sizes beyond the limits and the bit depths and compressions not decoded;
// settles the row order.
void checkFormat(BmpHeader& h) {
  h.topDown = h.height < 0;
  if (h.topDown) h.height = -h.height;
  if (h.width <= 0 || h.height <= 0 || h.width > kMaxBmpSide || h.height > kMaxBmpSide ||
      h.width * h.height > kMaxBmpPixels) {
    notValid();
  }
  if (!h.paletted() && h.bits != 16 && h.bits != 24 && h.bits != 32) notValid();
  if (h.compression != kBiRgb && !(h.bitFields() && (h.bits == 16 || h.bits == 32))) notValid();
}

// The red, green and blue channels of 16- and 32-bit pixels: the file's bit fields, or
// 5-5-5 and 8-8-8 without them.
std::array<Channel, 3> channelsOf(const BmpHeader& h) {
  std::array<std::uint32_t, 3> masks = h.masks;
  if (!h.bitFields()) {
    if (h.bits == 16) masks = {0x7C00u, 0x03E0u, 0x001Fu};
    if (h.bits == 32) masks = {0xFF0000u, 0x00FF00u, 0x0000FFu};
  }
  return {Channel::of(masks[0]), Channel::of(masks[1]), Channel::of(masks[2])};
}

// The palette follows the info header (and a 40-byte header's bit-field masks); empty
// for the depths without one.
std::vector<std::uint32_t> readPalette(const Reader& r, const BmpHeader& h) {
  std::vector<std::uint32_t> palette;
  if (!h.paletted()) return palette;
  const std::uint32_t maxColours = 1u << h.bits;
  const std::uint32_t colours = h.paletteUsed == 0 ? maxColours : h.paletteUsed;
  if (colours > maxColours) notValid();
  const std::size_t start = kInfo + h.headerSize;
  palette.resize(colours);
  for (std::uint32_t i = 0; i < colours; ++i) {
    const std::size_t at = start + i * h.paletteEntry;
    palette[i] = (static_cast<std::uint32_t>(r.u8(at + 2)) << 16) |
                 (static_cast<std::uint32_t>(r.u8(at + 1)) << 8) | r.u8(at);
  }
  return palette;
}

// The pixel rows must all lie inside the file (the last row may lack its padding).
// Returns the distance between rows.
std::size_t checkRowsInside(const BmpHeader& h, std::size_t fileSize) {
  const auto w = static_cast<std::size_t>(h.width);
  const auto rows = static_cast<std::size_t>(h.height);
  const std::size_t stride = ((w * h.bits + 31) / 32) * 4;
  const std::size_t rowBytes = (w * h.bits + 7) / 8;
  if (h.pixelOffset > fileSize || (fileSize - h.pixelOffset) < stride * (rows - 1) + rowBytes) {
    notValid();
  }
  return stride;
}

// How one pixel's bits become 0x00RRGGBB.
struct PixelFormat {
  std::uint32_t bits = 0;
  std::array<Channel, 3> channels;
  std::vector<std::uint32_t> palette;

  std::uint32_t rgbAt(const std::uint8_t* row, std::size_t x) const {
    if (bits <= 8) {  // 1, 4 and 8 bits index the palette
      const std::size_t bit = x * bits;
      const std::uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
      if (index >= palette.size()) notValid();
      return palette[index];
    }
    if (bits == 24) {
      const std::uint8_t* p = row + 3 * x;
      return (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[1]) << 8) | p[0];
    }
    const std::uint8_t* p = row + (bits / 8) * x;
    const std::uint32_t raw = bits == 16 ? static_cast<std::uint32_t>(p[0] | (p[1] << 8))
                                         : static_cast<std::uint32_t>(p[0]) | (p[1] << 8) |
                                               (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    return (channels[0].value(raw) << 16) | (channels[1].value(raw) << 8) | channels[2].value(raw);
  }
};

// Every row from `base`, `stride` bytes apart, into an image whose rows run from the top.
RgbImage decodeRows(const std::uint8_t* base, std::size_t stride, const BmpHeader& h,
                    const PixelFormat& format) {
  const auto w = static_cast<std::size_t>(h.width);
  const auto rows = static_cast<std::size_t>(h.height);
  RgbImage image;
  image.width = static_cast<std::int32_t>(h.width);
  image.height = static_cast<std::int32_t>(h.height);
  image.pixels.resize(w * rows);
  for (std::size_t row = 0; row < rows; ++row) {
    const std::uint8_t* src = base + stride * row;
    const std::size_t y = h.topDown ? row : rows - 1 - row;
    std::uint32_t* dst = image.pixels.data() + y * w;
    for (std::size_t x = 0; x < w; ++x) dst[x] = format.rgbAt(src, x);
  }
  return image;
}

}  // namespace

RgbImage RgbImage::filled(std::int32_t width, std::int32_t height, std::uint32_t rgb) {
  RgbImage image;
  image.width = width;
  image.height = height;
  image.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                      rgb & 0xFFFFFFu);
  return image;
}

RgbImage decodeBmp(std::span<const std::uint8_t> bytes) {
  if (bytes.size() > kMaxBmpFileSize) notValid();
  const Reader r(bytes);
  BmpHeader header = readHeader(r);
  checkFormat(header);
  const PixelFormat format{header.bits, channelsOf(header), readPalette(r, header)};
  const std::size_t stride = checkRowsInside(header, bytes.size());
  return decodeRows(r.data() + header.pixelOffset, stride, header, format);
}

RgbImage loadBmpFile(const std::string& path) {
  InputFile file = InputFile::open(path);
  return loadBmpFile(file, path);
}

RgbImage loadBmpFile(InputFile& file, const std::string& path) {
  return decodeBmpBytes(readBmpBytes(file, path), path);
}

std::vector<std::uint8_t> readBmpBytes(InputFile& file, const std::string& path) {
  std::vector<std::uint8_t> bytes;
  const InputFileStatus status = file.readAll(kMaxBmpFileSize, bytes);
  if (status == InputFileStatus::kTooLarge) throw RaidmonError(std::string(kBitmapNotValid) + ": " + path);
  if (status != InputFileStatus::kOk) throw RaidmonError("Cannot open file \"" + path + "\"");
  return bytes;
}

RgbImage decodeBmpBytes(std::span<const std::uint8_t> bytes, const std::string& path) {
  try {
    return decodeBmp(bytes);
  } catch (const RaidmonError&) {
    throw RaidmonError(std::string(kBitmapNotValid) + ": " + path);
  }
}

std::int64_t bmpPixelCount(std::span<const std::uint8_t> bytes) {
  const Reader r(bytes);
  try {
    if (r.u8(0) != 'B' || r.u8(1) != 'M') return 0;
    const std::uint32_t headerSize = r.u32(14);
    std::int64_t width = 0;
    std::int64_t height = 0;
    if (headerSize == 12) {
      width = r.u16(18);
      height = static_cast<std::int16_t>(r.u16(20));
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
               headerSize == 124) {
      width = r.i32(18);
      height = r.i32(22);
    }
    if (height < 0) height = -height;
    return width > 0 && height > 0 ? width * height : 0;
  } catch (const RaidmonError&) {
    return 0;
  }
}

std::vector<std::uint8_t> encodeBmp24(const RgbImage& image) {
  const auto w = static_cast<std::size_t>(image.width);
  const auto h = static_cast<std::size_t>(image.height);
  const std::size_t stride = ((w * 3 + 3) / 4) * 4;
  const std::size_t size = 54 + stride * h;
  std::vector<std::uint8_t> out(size, 0);
  auto put16 = [&](std::size_t at, std::uint32_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
  };
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    put16(at, v & 0xFFFF);
    put16(at + 2, v >> 16);
  };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, static_cast<std::uint32_t>(size));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(image.width));
  put32(22, static_cast<std::uint32_t>(image.height));
  put16(26, 1);
  put16(28, 24);
  put32(34, static_cast<std::uint32_t>(stride * h));
  for (std::size_t y = 0; y < h; ++y) {
    std::uint8_t* row = out.data() + 54 + stride * (h - 1 - y);
    for (std::size_t x = 0; x < w; ++x) {
      const std::uint32_t p = image.pixels[y * w + x];
      row[3 * x] = static_cast<std::uint8_t>(p);
      row[3 * x + 1] = static_cast<std::uint8_t>(p >> 8);
      row[3 * x + 2] = static_cast<std::uint8_t>(p >> 16);
    }
  }
  return out;
}

}  // namespace raidmon
