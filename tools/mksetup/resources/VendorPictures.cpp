#include "VendorPictures.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <system_error>

#include "command/ToolPaths.h"
#include "io/FileIo.h"
#include "io/MappedFile.h"
#include "io/ToolError.h"
#include "text/ScriptText.h"
#include "wizard/ControlIds.h"

namespace setup::mksetup {
namespace fs = std::filesystem;
namespace {

using namespace controlids;

constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kInfoHeader = 40;
constexpr std::size_t kIconDirectory = 6;
constexpr std::size_t kIconEntry = 16;
constexpr std::size_t kGroupEntry = 14;
constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint32_t kCompressionNames = 7;
constexpr const char* kCompression[kCompressionNames] = {
    "uncompressed", "RLE8", "RLE4", "bit fields", "JPEG", "PNG", "alpha bit fields"};
// Header sizes of the Windows bitmap headers (BITMAPINFOHEADER up to BITMAPV5HEADER); all start
// with the 40 bytes the packed form keeps.
constexpr std::uint32_t kInfoHeaderSizes[] = {40, 52, 56, 108, 124};

std::uint16_t U16(ByteSpan b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
std::uint32_t U32(ByteSpan b, std::size_t at) {
  return static_cast<std::uint32_t>(U16(b, at)) | static_cast<std::uint32_t>(U16(b, at + 2)) << 16;
}
std::int32_t S32(ByteSpan b, std::size_t at) {
  return static_cast<std::int32_t>(U32(b, at));
}
std::uint32_t BigU32(ByteSpan b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}
void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

void SetU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint64_t RowBytes(std::uint64_t width, std::uint32_t bits) {
  return (width * bits + 31) / 32 * 4;
}

std::string Size(std::int64_t width, std::int64_t height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

std::string DepthList(const std::vector<int>& depths) {
  std::string list;
  for (std::size_t i = 0; i < depths.size(); ++i) {
    if (i) list += i + 1 == depths.size() ? " or " : ", ";
    list += std::to_string(depths[i]);
  }
  return list;
}

bool Allowed(const std::vector<int>& depths, std::uint32_t bits) {
  return std::find(depths.begin(), depths.end(), static_cast<int>(bits)) != depths.end();
}

const std::vector<int> kIconDepths = {1, 4, 8, 24, 32};

std::string Truncated(const std::string& what, std::uint64_t needed, std::size_t has) {
  return "is truncated: the file has " + std::to_string(has) + " bytes, " + std::to_string(needed) +
         " are needed for " + what;
}

std::string ImageName(std::size_t index, const IconImage& image) {
  return "image " + std::to_string(index + 1) + " (" +
         Size(image.width ? image.width : 256, image.height ? image.height : 256) + ")";
}

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

// The group directory an ICON group resource holds: the file's directory with each image's
// offset replaced by the id of its RT_ICON resource.
std::vector<std::uint8_t> GroupDirectory(const std::vector<IconImage>& images,
                                         std::uint16_t firstId) {
  std::vector<std::uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, static_cast<std::uint32_t>(images.size()));
  for (std::size_t i = 0; i < images.size(); ++i) {
    const IconImage& image = images[i];
    out.insert(out.end(), {image.width, image.height, image.colourCount, 0});
    Put16(out, 1);
    Put16(out, image.bitCount);
    Put32(out, static_cast<std::uint32_t>(image.bytes.size()));
    Put16(out, static_cast<std::uint32_t>(firstId + i));
  }
  return out;
}

ResourceType* FindType(ResourceTree& tree, std::uint16_t type) {
  for (ResourceType& entry : tree.types) {
    if (entry.id == ResourceId::Number(type)) return &entry;
  }
  return nullptr;
}

ResourceName* FindName(ResourceTree& tree, std::uint16_t type, const ResourceId& name) {
  ResourceType* entry = FindType(tree, type);
  if (!entry) return nullptr;
  for (ResourceName& candidate : entry->names) {
    if (candidate.id == name) return &candidate;
  }
  return nullptr;
}

// The language the stub gave that resource (its first), so that the replacement is found the
// way the stub's was; a resource the stub lacks gets the neutral language.
ResourceId LanguageOf(ResourceTree& tree, std::uint16_t type, const ResourceId& name) {
  const ResourceName* found = FindName(tree, type, name);
  if (!found || found->languages.empty()) return ResourceId::Number(0);
  return found->languages.front().language;
}

void Put(ResourceTree& tree, std::uint16_t type, const ResourceId& name, const ResourceId& language,
         std::vector<std::uint8_t> bytes) {
  tree.Set(ResourceId::Number(type), name, {std::move(bytes), "", 0, 0});
  FindName(tree, type, name)->languages.front().language = language;
}

// The RT_ICON ids an icon group names.
std::vector<std::uint16_t> GroupImageIds(const ResourceName& group) {
  std::vector<std::uint16_t> ids;
  for (const ResourceLeaf& leaf : group.languages) {
    const std::vector<std::uint8_t>& b = leaf.data.bytes;
    if (b.size() < kIconDirectory) continue;
    const std::size_t count = U16(b, 4);
    for (std::size_t i = 0; i < count && kIconDirectory + (i + 1) * kGroupEntry <= b.size(); ++i) {
      ids.push_back(U16(b, kIconDirectory + i * kGroupEntry + 12));
    }
  }
  return ids;
}

// Replaces the icon group and its images; the images of the old group go unless another group
// still names them, and the new ones take ids after every id in use.
void PutIconGroup(ResourceTree& tree, const ResourceId& name, const std::vector<IconImage>& icon) {
  const ResourceId language = LanguageOf(tree, kRtGroupIcon, name);
  std::vector<std::uint16_t> unused, kept;
  if (ResourceType* groups = FindType(tree, kRtGroupIcon)) {
    for (const ResourceName& group : groups->names) {
      const std::vector<std::uint16_t> ids = GroupImageIds(group);
      std::vector<std::uint16_t>& into = group.id == name ? unused : kept;
      into.insert(into.end(), ids.begin(), ids.end());
    }
  }
  std::uint16_t next = 1;
  if (ResourceType* images = FindType(tree, kRtIcon)) {
    std::erase_if(images->names, [&](const ResourceName& image) {
      const auto named = [&](const std::vector<std::uint16_t>& ids) {
        return !image.id.isName && std::find(ids.begin(), ids.end(), image.id.number) != ids.end();
      };
      return named(unused) && !named(kept);
    });
    for (const ResourceName& image : images->names) {
      if (!image.id.isName) next = std::max<std::uint16_t>(next, image.id.number + 1);
    }
  }
  for (std::size_t i = 0; i < icon.size(); ++i) {
    Put(tree, kRtIcon, ResourceId::Number(static_cast<std::uint16_t>(next + i)), language,
        icon[i].bytes);
  }
  Put(tree, kRtGroupIcon, name, language, GroupDirectory(icon, next));
}

void Refuse(std::vector<Finding>& findings, const std::string& file, const std::string& reason) {
  findings.push_back({0, Severity::Error, reason, "picture", file});
}

std::optional<std::vector<std::uint8_t>> ReadFile(const fs::path& path,
                                                  std::vector<Finding>& findings) {
  try {
    return ReadWholeFile(path);
  } catch (const ToolError& error) {
    Refuse(findings, path.string(), error.Reason());
    return std::nullopt;
  }
}

std::optional<VendorPicture> ReadPicture(const fs::path& path, const PictureSlot* slot,
                                         std::vector<Finding>& findings) {
  const std::optional<std::vector<std::uint8_t>> bytes = ReadFile(path, findings);
  if (!bytes) return std::nullopt;
  VendorPicture picture{slot, path.string(), {}, {}};
  std::string reason;
  if (slot && !slot->isIcon) {
    if (auto packed = PackedBitmap(*bytes, *slot, reason)) picture.bitmap = std::move(*packed);
  } else if (auto images = ReadIconFile(*bytes, slot, reason)) {
    picture.icon = std::move(*images);
  }
  if (!reason.empty()) {
    Refuse(findings, picture.file, reason);
    return std::nullopt;
  }
  return picture;
}

// Names match as Windows would match them, without regard to ASCII case.
const PictureSlot* SlotNamed(const std::string& name) {
  for (const PictureSlot& slot : PictureSlots()) {
    if (ToUpperAscii(name) == ToUpperAscii(slot.fileName)) return &slot;
  }
  return nullptr;
}

std::string KnownNames() {
  std::string names;
  for (const PictureSlot& slot : PictureSlots()) {
    names += (names.empty() ? "" : ", ") + std::string(slot.fileName);
  }
  return names;
}

// A picture's bytes as Windows draws them: a bitmap's, or an icon group's images one after
// another (their ids differ from build to build); nothing when the file lacks it.
std::optional<std::vector<std::uint8_t>> PictureBytes(ResourceTree& tree, std::uint16_t type,
                                                      const ResourceId& name) {
  const ResourceName* found = FindName(tree, type, name);
  if (!found || found->languages.empty()) return std::nullopt;
  if (type != kRtGroupIcon) return found->languages.front().data.bytes;
  std::vector<std::uint8_t> images;
  for (std::uint16_t id : GroupImageIds(*found)) {
    const ResourceName* image = FindName(tree, kRtIcon, ResourceId::Number(id));
    if (!image || image->languages.empty()) return std::nullopt;
    const std::vector<std::uint8_t>& bytes = image->languages.front().data.bytes;
    images.insert(images.end(), bytes.begin(), bytes.end());
  }
  return images;
}

// A BITMAP resource as a BMP file: the file header in front, giving where the pixels start.
std::vector<std::uint8_t> BmpFileOf(const std::vector<std::uint8_t>& packed) {
  std::vector<std::uint8_t> file = {'B', 'M'};
  if (packed.size() < kInfoHeader) return {};
  const std::uint32_t bits = U16(packed, 14), used = U32(packed, 32);
  const std::uint32_t colours = used ? used : bits <= 8 ? 1u << bits : 0;
  Put32(file, static_cast<std::uint32_t>(kFileHeader + packed.size()));
  Put32(file, 0);
  Put32(file, static_cast<std::uint32_t>(kFileHeader + U32(packed, 0) + 4 * colours));
  file.insert(file.end(), packed.begin(), packed.end());
  return file;
}

// An icon group and its images as an ICO file: the group's directory with offsets for ids.
std::vector<std::uint8_t> IcoFileOf(ResourceTree& tree, const ResourceName& group) {
  const std::vector<std::uint8_t>& dir = group.languages.front().data.bytes;
  const std::vector<std::uint16_t> ids = GroupImageIds(group);
  std::vector<std::uint8_t> file;
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, static_cast<std::uint32_t>(ids.size()));
  std::vector<std::uint8_t> images;
  std::uint32_t offset = static_cast<std::uint32_t>(kIconDirectory + kIconEntry * ids.size());
  for (std::size_t i = 0; i < ids.size(); ++i) {
    const ResourceName* image = FindName(tree, kRtIcon, ResourceId::Number(ids[i]));
    if (!image || image->languages.empty()) return {};
    const std::vector<std::uint8_t>& bytes = image->languages.front().data.bytes;
    const std::size_t entry = kIconDirectory + i * kGroupEntry;
    if (entry + kGroupEntry > dir.size()) return {};
    file.insert(file.end(), dir.begin() + entry, dir.begin() + entry + 8);
    Put32(file, static_cast<std::uint32_t>(bytes.size()));
    Put32(file, offset + static_cast<std::uint32_t>(images.size()));
    images.insert(images.end(), bytes.begin(), bytes.end());
  }
  file.insert(file.end(), images.begin(), images.end());
  return file;
}

}  // namespace

const std::vector<PictureSlot>& PictureSlots() {
  static const char* const kTransparent =
      "it is drawn transparent, and the dialog replaces the colour of its lower-left pixel in "
      "24-bit pictures only";
  static const std::vector<PictureSlot> slots = {
      {"logo.bmp", "the banner", kLogoBitmap, false, 600, 75, {1, 4, 8, 24}, ""},
      {"program.ico", "the icon page's program icon", kProgramIcon, true, 32, 32, kIconDepths, ""},
      {"program-folder.bmp",
       "the program folder picture",
       kProgramFolderBitmap,
       false,
       25,
       25,
       {24},
       kTransparent},
      {"quick-launch-classic.bmp",
       "the classic quick-launch picture",
       kQuickLaunchBarMEBitmap,
       false,
       161,
       24,
       {24},
       kTransparent},
      {"quick-launch-xp.bmp",
       "the XP quick-launch picture",
       kQuickLaunchBarXPBitmap,
       false,
       213,
       30,
       {24},
       kTransparent},
  };
  return slots;
}

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

std::vector<VendorPicture> ReadVendorPictures(const std::optional<fs::path>& folder,
                                              const std::optional<fs::path>& icon,
                                              std::vector<Finding>& findings) {
  std::vector<VendorPicture> pictures;
  if (folder) {
    std::error_code error;
    if (!fs::is_directory(*folder, error)) {
      Refuse(findings, folder->string(), "the pictures folder does not exist");
    } else {
      // Sorted, so that the findings come in the same order on every machine.
      std::map<std::string, fs::path> files;
      for (const fs::directory_entry& entry : fs::directory_iterator(*folder, error)) {
        files.emplace(entry.path().filename().string(), entry.path());
      }
      std::map<const PictureSlot*, std::string> given;
      for (const auto& [name, path] : files) {
        const PictureSlot* slot = SlotNamed(name);
        if (!slot) {
          Refuse(findings, path.string(),
                 "is not a picture mksetup build takes; the names are " + KnownNames());
        } else if (!given.emplace(slot, name).second) {
          Refuse(findings, path.string(),
                 "is " + std::string(slot->fileName) + " a second time, beside " + given[slot]);
        } else if (auto picture = ReadPicture(path, slot, findings)) {
          pictures.push_back(std::move(*picture));
        }
      }
    }
  }
  if (icon) {
    if (auto picture = ReadPicture(*icon, nullptr, findings))
      pictures.push_back(std::move(*picture));
  }
  return pictures;
}

void ApplyVendorPictures(const std::vector<VendorPicture>& pictures, ResourceTree& tree) {
  for (const VendorPicture& picture : pictures) {
    if (!picture.slot) {
      PutIconGroup(tree, ResourceId::Name(kExplorerIconGroup), picture.icon);
    } else if (picture.slot->isIcon) {
      PutIconGroup(tree, ResourceId::Number(picture.slot->resourceId), picture.icon);
    } else {
      const ResourceId name = ResourceId::Number(picture.slot->resourceId);
      Put(tree, kRtBitmap, name, LanguageOf(tree, kRtBitmap, name), picture.bitmap);
    }
  }
}

// The bitmaps and icons of an image: what the picture slots and the icon groups hold.
ResourceTree PictureTree(ByteSpan image, const std::string& name) {
  return ReadResourceTree(image, ReadPeLayout(image, name), name, [](const ResourceId& type) {
    return type == ResourceId::Number(kRtBitmap) || type == ResourceId::Number(kRtGroupIcon) ||
           type == ResourceId::Number(kRtIcon);
  });
}

std::vector<PictureOrigin> PictureOrigins(ByteSpan built, const std::string& builtName,
                                          ByteSpan stub, const std::string& stubName) {
  ResourceTree builtTree = PictureTree(built, builtName);
  ResourceTree stubTree = PictureTree(stub, stubName);
  std::vector<const PictureSlot*> places;
  for (const PictureSlot& slot : PictureSlots()) places.push_back(&slot);
  places.push_back(nullptr);
  std::vector<PictureOrigin> origins;
  for (const PictureSlot* slot : places) {
    const std::uint16_t type = !slot || slot->isIcon ? kRtGroupIcon : kRtBitmap;
    const ResourceId id =
        slot ? ResourceId::Number(slot->resourceId) : ResourceId::Name(kExplorerIconGroup);
    const auto mine = PictureBytes(builtTree, type, id);
    const bool own = mine && mine != PictureBytes(stubTree, type, id);
    origins.push_back({slot, slot ? slot->fileName : "--icon (Explorer's)",
                       !mine ? "missing"
                       : own ? "the product's own"
                             : "the stub's",
                       own});
  }
  return origins;
}

std::vector<std::pair<std::string, std::vector<std::uint8_t>>> OwnPictureFiles(
    ByteSpan built, const std::string& builtName, ByteSpan stub, const std::string& stubName) {
  ResourceTree tree = PictureTree(built, builtName);
  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
  for (const PictureOrigin& origin : PictureOrigins(built, builtName, stub, stubName)) {
    if (!origin.own) continue;
    const PictureSlot* slot = origin.slot;
    const ResourceId name =
        slot ? ResourceId::Number(slot->resourceId) : ResourceId::Name(kExplorerIconGroup);
    const bool isIcon = !slot || slot->isIcon;
    const ResourceName* found = FindName(tree, isIcon ? kRtGroupIcon : kRtBitmap, name);
    files.emplace_back(
        slot ? slot->fileName : kExplorerIconFile,
        isIcon ? IcoFileOf(tree, *found) : BmpFileOf(found->languages.front().data.bytes));
  }
  return files;
}

std::optional<fs::path> StubOfTheSameArchitecture(ByteSpan built, const std::string& builtName) {
  const std::optional<Architecture> architecture = ArchitectureOf(ReadPeLayout(built, builtName));
  return FindWindowsProgram("MKSETUP_STUB", "setup-stub.exe",
                            architecture.value_or(Architecture::X86));
}

void PrintPictureOrigins(std::FILE* out, ByteSpan built, const std::string& builtName,
                         const std::optional<fs::path>& stub) {
  const std::optional<fs::path> found = stub ? stub : StubOfTheSameArchitecture(built, builtName);
  if (!found) {
    std::fprintf(out, "\nPictures: no stub to compare them with (give --stub)\n");
    return;
  }
  // Only a listing's last part: a stub that cannot be read is said, not an error.
  std::vector<PictureOrigin> origins;
  try {
    const MappedFile stubFile(*found);
    origins = PictureOrigins(built, builtName, stubFile.Bytes(), found->string());
  } catch (const ToolError& error) {
    std::fprintf(out, "\nPictures: no stub to compare them with (%s)\n", error.what());
    return;
  }
  std::fprintf(out, "\nPictures (against %s)\n", found->string().c_str());
  for (const PictureOrigin& origin : origins) {
    std::fprintf(out, "  %-26s %s\n", origin.name.c_str(), origin.origin.c_str());
  }
}

}  // namespace setup::mksetup
