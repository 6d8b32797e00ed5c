#pragma once
// The little-endian fields and the sizes that a BMP or ICO file and the resources made from it
// share, for the picture files' reader and the resource writer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "resources/VendorPictures.h"
#include "text/Bytes.h"

namespace setup::mksetup::pictures {

inline constexpr std::size_t kFileHeader = 14;
inline constexpr std::size_t kInfoHeader = 40;
inline constexpr std::size_t kIconDirectory = 6;
inline constexpr std::size_t kIconEntry = 16;
inline constexpr std::size_t kGroupEntry = 14;
inline constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
inline constexpr std::uint32_t kCompressionNames = 7;
inline constexpr const char* kCompression[kCompressionNames] = {
    "uncompressed", "RLE8", "RLE4", "bit fields", "JPEG", "PNG", "alpha bit fields"};
// Header sizes of the Windows bitmap headers (BITMAPINFOHEADER up to BITMAPV5HEADER); all start
// with the 40 bytes the packed form keeps.
inline constexpr std::uint32_t kInfoHeaderSizes[] = {40, 52, 56, 108, 124};

inline std::uint16_t U16(ByteSpan b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
inline std::uint32_t U32(ByteSpan b, std::size_t at) {
  return static_cast<std::uint32_t>(U16(b, at)) | static_cast<std::uint32_t>(U16(b, at + 2)) << 16;
}
inline std::int32_t S32(ByteSpan b, std::size_t at) {
  return static_cast<std::int32_t>(U32(b, at));
}
inline std::uint32_t BigU32(ByteSpan b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}
inline void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}
inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

inline void SetU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::uint64_t RowBytes(std::uint64_t width, std::uint32_t bits) {
  return (width * bits + 31) / 32 * 4;
}

inline std::string Size(std::int64_t width, std::int64_t height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

inline std::string DepthList(const std::vector<int>& depths) {
  std::string list;
  for (std::size_t i = 0; i < depths.size(); ++i) {
    if (i) list += i + 1 == depths.size() ? " or " : ", ";
    list += std::to_string(depths[i]);
  }
  return list;
}

inline bool Allowed(const std::vector<int>& depths, std::uint32_t bits) {
  return std::find(depths.begin(), depths.end(), static_cast<int>(bits)) != depths.end();
}

const std::vector<int> kIconDepths = {1, 4, 8, 24, 32};

inline std::string Truncated(const std::string& what, std::uint64_t needed, std::size_t has) {
  return "is truncated: the file has " + std::to_string(has) + " bytes, " + std::to_string(needed) +
         " are needed for " + what;
}

inline std::string ImageName(std::size_t index, const IconImage& image) {
  return "image " + std::to_string(index + 1) + " (" +
         Size(image.width ? image.width : 256, image.height ? image.height : 256) + ")";
}

}  // namespace setup::mksetup::pictures
