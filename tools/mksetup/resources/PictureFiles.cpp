// BMP and ICO files read as Windows reads them: each header checked against the sizes and depths
// of the place the picture takes, then packed as the resource holds it.
#include <algorithm>
#include <cstring>

#include "resources/PictureBytes.h"
#include "resources/VendorPictures.h"

namespace setup::mksetup {
using namespace pictures;
namespace {

// The image's own header must agree with the directory; returns the reason when it does not.
std::string CheckIconImage(IconImage& image, const std::string& name) {
  const ByteSpan b(image.bytes);
  const std::int64_t width = image.width ? image.width : 256;
  const std::int64_t height = image.height ? image.height : 256;
  if (b.size() >= sizeof kPngSignature &&
      std::memcmp(b.data(), kPngSignature, sizeof kPngSignature) == 0) {
    image.png = true;
    if (b.size() < 24) return name + " is a truncated PNG image";
    if (BigU32(b, 16) != width || BigU32(b, 20) != height) {
      return name + " is a PNG image of " + Size(BigU32(b, 16), BigU32(b, 20)) +
             ", not the size its directory entry gives";
    }
    image.bitCount = 32;
    return "";
  }
  if (b.size() < kInfoHeader || U32(b, 0) != kInfoHeader) {
    return name + " is neither a bitmap (40-byte header) nor a PNG image";
  }
  const std::uint32_t bits = U16(b, 14);
  if (S32(b, 4) != width || S32(b, 8) != 2 * height) {
    return name + " holds a bitmap of " + Size(S32(b, 4), S32(b, 8) / 2) +
           ", not the size its directory entry gives";
  }
  if (U16(b, 12) != 1) return name + " has " + std::to_string(U16(b, 12)) + " planes, not 1";
  if (!Allowed(kIconDepths, bits)) {
    return name + " has " + std::to_string(bits) + " bits per pixel; an icon image has " +
           DepthList(kIconDepths);
  }
  if (U32(b, 16) != 0) return name + " is compressed; icon bitmaps are uncompressed";
  const std::uint64_t colours = bits <= 8 ? (U32(b, 32) ? U32(b, 32) : 1u << bits) : 0;
  const std::uint64_t needed =
      kInfoHeader + 4 * colours + RowBytes(width, bits) * height + RowBytes(width, 1) * height;
  if (colours > (bits <= 8 ? 1u << bits : 0u) || b.size() < needed) {
    return name + " has " + std::to_string(b.size()) + " bytes; its bitmap and mask need " +
           std::to_string(needed);
  }
  image.bitCount = static_cast<std::uint16_t>(bits);
  return "";
}

std::string PageIconReason(const std::vector<IconImage>& images, const PictureSlot& slot) {
  std::string sizes;
  for (const IconImage& image : images) {
    if (!image.png && image.width == slot.width && image.height == slot.height) return "";
    sizes += (sizes.empty() ? "" : ", ") +
             Size(image.width ? image.width : 256, image.height ? image.height : 256) +
             (image.png ? " PNG" : "");
  }
  return "has no " + Size(slot.width, slot.height) + " bitmap image, the size " + slot.role +
         " is shown in (it has " + sizes + ")";
}
}  // namespace

std::optional<std::vector<std::uint8_t>> PackedBitmap(ByteSpan file, const PictureSlot& slot,
                                                      std::string& reason) {
  if (file.size() < 2 || file[0] != 'B' || file[1] != 'M') {
    reason = "is not a BMP file (it does not begin with \"BM\")";
    return std::nullopt;
  }
  if (file.size() < kFileHeader + 4) {
    reason = Truncated("a BMP file's headers", kFileHeader + kInfoHeader, file.size());
    return std::nullopt;
  }
  const std::uint32_t headerSize = U32(file, kFileHeader);
  if (headerSize == 12) {
    reason = "has an OS/2 bitmap header; save it as a Windows BMP";
    return std::nullopt;
  }
  if (std::find(std::begin(kInfoHeaderSizes), std::end(kInfoHeaderSizes), headerSize) ==
      std::end(kInfoHeaderSizes)) {
    reason = "has a bitmap header of " + std::to_string(headerSize) + " bytes, which is no BMP's";
    return std::nullopt;
  }
  if (file.size() < kFileHeader + headerSize) {
    reason = Truncated("its bitmap header", kFileHeader + headerSize, file.size());
    return std::nullopt;
  }
  const ByteSpan header = file.subspan(kFileHeader, kInfoHeader);
  const std::int32_t width = S32(header, 4), height = S32(header, 8);
  const std::uint32_t planes = U16(header, 12), bits = U16(header, 14);
  const std::uint32_t compression = U32(header, 16), used = U32(header, 32);
  const std::string depths = DepthList(slot.depths);
  if (planes != 1) {
    reason = "has " + std::to_string(planes) + " planes; a bitmap has 1";
  } else if (height < 0) {
    reason = "is stored top-down (a negative height); Windows 9x shows only bottom-up bitmaps";
  } else if (width != slot.width || height != slot.height) {
    reason = "is " + Size(width, height) + "; " + slot.role + " must be " +
             Size(slot.width, slot.height);
  } else if (compression != 0) {
    reason = "is compressed (" +
             std::string(compression < kCompressionNames ? kCompression[compression] : "unknown") +
             "); the dialog shows uncompressed bitmaps only";
  } else if (!Allowed(slot.depths, bits)) {
    reason = "has " + std::to_string(bits) + (bits == 1 ? " bit" : " bits") + " per pixel; " +
             slot.role + " must have " + depths + (*slot.depthReason ? ": " : "") +
             slot.depthReason;
  } else if (bits <= 8 && used > (1u << bits)) {
    reason = "says it has " + std::to_string(used) + " palette colours; a " + std::to_string(bits) +
             "-bit bitmap has at most " + std::to_string(1u << bits);
  }
  if (!reason.empty()) return std::nullopt;

  const std::uint32_t colours = bits <= 8 ? (used ? used : 1u << bits) : 0;
  const std::uint64_t paletteAt = kFileHeader + headerSize;
  const std::uint64_t pixelsAt = U32(file, 10);
  const std::uint64_t pixelBytes = RowBytes(width, bits) * static_cast<std::uint64_t>(height);
  if (file.size() < paletteAt + 4ull * colours) {
    reason = Truncated("its palette of " + std::to_string(colours) + " colours",
                       paletteAt + 4ull * colours, file.size());
  } else if (pixelsAt < paletteAt + 4ull * colours) {
    reason = "gives its pixels at offset " + std::to_string(pixelsAt) +
             ", inside its headers and palette";
  } else if (file.size() < pixelsAt + pixelBytes) {
    reason =
        Truncated("its " + Size(width, height) + " pixels", pixelsAt + pixelBytes, file.size());
  }
  if (!reason.empty()) return std::nullopt;

  // The packed form a resource compiler stores, with the plain 40-byte header every Windows
  // reads (a V4 or V5 header's colour space is left out: the dialog does not use it).
  std::vector<std::uint8_t> packed(header.begin(), header.end());
  SetU32(packed, 0, kInfoHeader);
  SetU32(packed, 20, static_cast<std::uint32_t>(pixelBytes));
  SetU32(packed, 32, colours);
  SetU32(packed, 36, 0);
  const ByteSpan palette = file.subspan(paletteAt, 4ull * colours);
  const ByteSpan pixels = file.subspan(pixelsAt, pixelBytes);
  packed.insert(packed.end(), palette.begin(), palette.end());
  packed.insert(packed.end(), pixels.begin(), pixels.end());
  return packed;
}

std::optional<std::vector<IconImage>> ReadIconFile(ByteSpan file, const PictureSlot* forPage,
                                                   std::string& reason) {
  if (file.size() < kIconDirectory) {
    reason = Truncated("an icon file's header", kIconDirectory, file.size());
    return std::nullopt;
  }
  if (U16(file, 0) != 0 || (U16(file, 2) != 1 && U16(file, 2) != 2)) {
    reason = "is not an icon file (no ICO header)";
    return std::nullopt;
  }
  if (U16(file, 2) == 2) {
    reason = "is a cursor, not an icon";
    return std::nullopt;
  }
  const std::size_t count = U16(file, 4);
  if (count == 0) {
    reason = "holds no image";
    return std::nullopt;
  }
  if (file.size() < kIconDirectory + count * kIconEntry) {
    reason = Truncated("its directory of " + std::to_string(count) + " images",
                       kIconDirectory + count * kIconEntry, file.size());
    return std::nullopt;
  }
  std::vector<IconImage> images;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = kIconDirectory + i * kIconEntry;
    IconImage image;
    image.width = file[entry];
    image.height = file[entry + 1];
    image.colourCount = file[entry + 2];
    const std::uint64_t size = U32(file, entry + 8), offset = U32(file, entry + 12);
    const std::string name = ImageName(i, image);
    if (offset < kIconDirectory + count * kIconEntry || offset + size > file.size()) {
      reason = name + " lies at bytes " + std::to_string(offset) + " to " +
               std::to_string(offset + size) + ", outside the " + std::to_string(file.size()) +
               "-byte file or inside its directory";
      return std::nullopt;
    }
    const ByteSpan bytes = file.subspan(offset, size);
    image.bytes.assign(bytes.begin(), bytes.end());
    reason = CheckIconImage(image, name);
    if (!reason.empty()) return std::nullopt;
    images.push_back(std::move(image));
  }
  if (forPage) {
    reason = PageIconReason(images, *forPage);
  } else if (std::all_of(images.begin(), images.end(), [](const IconImage& i) { return i.png; })) {
    reason = "has PNG images only; Windows before Vista shows only bitmap images of an icon";
  }
  if (!reason.empty()) return std::nullopt;
  return images;
}

}  // namespace setup::mksetup
