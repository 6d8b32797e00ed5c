#include "VendorPictures.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <system_error>

#include "command/ToolPaths.h"
#include "io/FileIo.h"
#include "io/MappedFile.h"
#include "io/ToolError.h"
#include "resources/PictureBytes.h"
#include "text/ScriptText.h"
#include "wizard/ControlIds.h"

namespace setup::mksetup {
namespace fs = std::filesystem;
namespace {

using namespace controlids;
using namespace pictures;

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
  tree.Set(ResourceId::Number(type), name, {std::move(bytes), 0});
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
