#include "pe/PeWriter.h"

#include <algorithm>
#include <cstring>

#include "io/FileIo.h"
#include "io/ToolError.h"
#include "pe/PeChecksum.h"
#include "pe/ResourceSection.h"

namespace setup::mksetup {
namespace {

constexpr std::uint32_t kResourceCharacteristics = 0x40000040u;  // initialised data, readable
constexpr std::size_t kSizeOfInitializedDataOffset = 8;
// The resource section starts on a page boundary of the file as well as of the image, so that a
// loader can map it straight from the file. Wine reads a section at an unaligned file offset into
// fresh memory when it loads the program: 80 MB of payload read before the first window, and all
// of it resident for the whole run.
constexpr std::uint64_t kPageSize = 4096;

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

// Where the new resource section goes.
struct Placement {
  std::size_t keep = 0;          // bytes of the stub copied as they are
  std::uint64_t fileOffset = 0;  // its raw data
  std::uint32_t rva = 0;
  std::size_t headerOffset = 0;  // its section header
  bool added = false;            // a new section rather than the old one replaced
  std::uint32_t characteristics = kResourceCharacteristics;
  std::uint32_t oldRawSize = 0;
  // The base relocations that followed the old resources: moved, unchanged, behind the new.
  const PeSection* relocations = nullptr;
};

// Where a section moved behind the new resources goes.
struct Moved {
  std::uint64_t fileOffset = 0;
  std::uint32_t rva = 0;
};

const PeSection* SectionHolding(const PeLayout& layout, std::uint32_t rva) {
  for (const PeSection& section : layout.sections) {
    const std::uint32_t span = std::max(section.virtualSize, section.sizeOfRawData);
    if (rva >= section.virtualAddress && rva - section.virtualAddress < span) return &section;
  }
  return nullptr;
}

std::uint64_t ImageEnd(const PeLayout& layout) {
  std::uint64_t end = layout.sizeOfHeaders;
  for (const PeSection& section : layout.sections) {
    const std::uint64_t size = std::max(section.virtualSize, section.sizeOfRawData);
    end = std::max(end, AlignUp(section.virtualAddress + size, layout.sectionAlignment));
  }
  return end;
}

std::uint64_t RawEnd(const PeSection& section) {
  return section.pointerToRawData + static_cast<std::uint64_t>(section.sizeOfRawData);
}

// The resource section can be rewritten in place when nothing but base relocations lies behind
// it, in the image and in the file (as the linker lays out the stub). Relocation blocks name the
// pages they patch and never themselves, so they can move as they are.
std::optional<Placement> ReplaceResourceSection(ByteSpan stub, const PeLayout& layout,
                                                const PeSection* resources,
                                                const PeSection* relocations) {
  if (!resources || resources->sizeOfRawData == 0 || resources->pointerToRawData == 0 ||
      resources == relocations) {
    return {};
  }
  const PeSection* behind = nullptr;
  for (const PeSection& section : layout.sections) {
    if (section.virtualAddress <= resources->virtualAddress) continue;
    if (behind || &section != relocations) return {};
    behind = &section;
  }
  std::uint64_t fileEnd = RawEnd(*resources);
  if (behind && behind->sizeOfRawData != 0) {
    if (behind->pointerToRawData < RawEnd(*resources)) return {};
    fileEnd = RawEnd(*behind);
  }
  if (fileEnd < stub.size()) return {};  // something (a symbol table, a signature) follows
  Placement placement;
  placement.keep = resources->pointerToRawData;
  placement.fileOffset = AlignUp(resources->pointerToRawData,
                                 std::max<std::uint64_t>(layout.fileAlignment, kPageSize));
  placement.rva = resources->virtualAddress;
  placement.headerOffset = resources->headerOffset;
  placement.characteristics = resources->characteristics;
  placement.oldRawSize = resources->sizeOfRawData;
  placement.relocations = behind;
  for (const PeSection& section : layout.sections) {
    if (&section == resources || &section == behind) continue;
    const std::uint64_t size = std::max(section.virtualSize, section.sizeOfRawData);
    if (AlignUp(section.virtualAddress + size, layout.sectionAlignment) > placement.rva) return {};
  }
  return placement;
}

// A signed stub: its certificate table follows the sections, outside the image, and no signature
// survives new resources. Without it the resources can still be replaced in place instead of
// being added after a dead signature.
ByteSpan WithoutCertificateTable(ByteSpan stub, const PeLayout& layout, const std::string& what) {
  const DataDirectory table = ReadDataDirectory(stub, layout, kSecurityDirectory, what);
  if (table.size == 0 || table.rva > stub.size() || table.size != stub.size() - table.rva) {
    return stub;  // none, or not at the end of the file
  }
  std::uint64_t end = layout.sizeOfHeaders;
  for (const PeSection& section : layout.sections) {
    if (section.sizeOfRawData != 0) end = std::max(end, RawEnd(section));
  }
  if (end > table.rva) return stub;
  // The signer pads the file to 8 bytes before the table.
  const bool padding = std::all_of(stub.begin() + end, stub.begin() + table.rva,
                                   [](std::uint8_t b) { return b == 0; });
  return stub.first(padding ? end : table.rva);
}

Placement AddSection(ByteSpan stub, const PeLayout& layout, const std::string& what) {
  const std::size_t headerOffset =
      layout.sectionTableOffset + layout.sections.size() * kSectionHeaderSize;
  std::uint64_t firstRaw = layout.sizeOfHeaders;
  for (const PeSection& section : layout.sections) {
    if (section.sizeOfRawData != 0)
      firstRaw = std::min<std::uint64_t>(firstRaw, section.pointerToRawData);
  }
  const bool room =
      headerOffset + kSectionHeaderSize <= firstRaw &&
      headerOffset + kSectionHeaderSize <= stub.size() &&
      std::all_of(stub.begin() + headerOffset, stub.begin() + headerOffset + kSectionHeaderSize,
                  [](std::uint8_t b) { return b == 0; });
  if (!room) {
    throw ToolError(what,
                    "its headers have no room for one more section, and its resource section "
                    "is not its last section");
  }
  Placement placement;
  placement.keep = stub.size();
  placement.fileOffset =
      AlignUp(stub.size(), std::max<std::uint64_t>(layout.fileAlignment, kPageSize));
  const std::uint64_t rva = ImageEnd(layout);
  if (rva > 0xFFFFFFFFull) throw ToolError(what, "its image is too large");
  placement.rva = static_cast<std::uint32_t>(rva);
  placement.headerOffset = headerOffset;
  placement.added = true;
  return placement;
}

// The relocations' header and data directory at their new place.
void PatchMoved(std::vector<std::uint8_t>& head, const PeLayout& layout, const PeSection& section,
                const Moved& moved, DataDirectory relocations) {
  WriteU32(head, section.headerOffset + 12, moved.rva);
  WriteU32(head, section.headerOffset + 20,
           section.sizeOfRawData ? static_cast<std::uint32_t>(moved.fileOffset) : 0);
  if (relocations.rva != 0) {
    WriteU32(head, layout.DataDirectoryOffset(kRelocationDirectory),
             moved.rva + (relocations.rva - section.virtualAddress));
  }
}

void PatchHeaders(std::vector<std::uint8_t>& head, const PeLayout& layout,
                  const Placement& placement, std::uint32_t size, std::uint32_t rawSize,
                  std::uint64_t imageEnd) {
  const std::size_t at = placement.headerOffset;
  std::fill(head.begin() + at, head.begin() + at + kSectionHeaderSize, 0);
  std::memcpy(head.data() + at, ".rsrc", 5);
  WriteU32(head, at + 8, size);
  WriteU32(head, at + 12, placement.rva);
  WriteU32(head, at + 16, rawSize);
  WriteU32(head, at + 20, static_cast<std::uint32_t>(placement.fileOffset));
  WriteU32(head, at + 36, placement.characteristics);
  if (placement.added) {
    WriteU16(head, layout.NumberOfSectionsOffset(),
             static_cast<std::uint16_t>(layout.sections.size() + 1));
  }
  const std::size_t initialised = layout.optionalHeaderOffset + kSizeOfInitializedDataOffset;
  const std::uint32_t oldInitialised = ReadU32(head, initialised, "stub");
  WriteU32(head, initialised, oldInitialised - placement.oldRawSize + rawSize);
  WriteU32(head, layout.SizeOfImageOffset(), static_cast<std::uint32_t>(imageEnd));
  WriteU32(head, layout.DataDirectoryOffset(kResourceDirectory), placement.rva);
  WriteU32(head, layout.DataDirectoryOffset(kResourceDirectory) + 4, size);
  if (layout.numberOfRvaAndSizes > kSecurityDirectory) {
    WriteU32(head, layout.DataDirectoryOffset(kSecurityDirectory), 0);
    WriteU32(head, layout.DataDirectoryOffset(kSecurityDirectory) + 4, 0);
  }
  WriteU32(head, layout.ChecksumOffset(), 0);
}

}  // namespace

struct ExecutableWriter::State {
  std::string stubName, output;
  std::vector<std::uint8_t> head;  // the stub's bytes before the new resources, padded
  std::vector<std::uint8_t> relocations;
  PeLayout layout;
  Placement placement;
  DataDirectory relocationDirectory;
  ResourceTree tree;  // what the plan points into
  ResourceSectionPlan plan;
  AtomicOutput out;
  PeChecksum data;      // of the resources' data before the streamed bytes
  PeChecksum streamed;  // of the streamed bytes
  std::uint64_t appended = 0;

  State(const std::string& name, const std::filesystem::path& path)
      : stubName(name), output(path.string()), out(path) {}
};

ExecutableWriter::ExecutableWriter(ByteSpan signedStub, const std::string& stubName,
                                   ResourceTree tree, const std::filesystem::path& output)
    : state_(std::make_unique<State>(stubName, output)) {
  State& s = *state_;
  const ByteSpan stub =
      WithoutCertificateTable(signedStub, ReadPeLayout(signedStub, stubName), stubName);
  s.layout = ReadPeLayout(stub, stubName);
  if (s.layout.numberOfRvaAndSizes <= kResourceDirectory) {
    throw ToolError(stubName, "it has no resource data directory");
  }
  const DataDirectory directory = ReadDataDirectory(stub, s.layout, kResourceDirectory, stubName);
  s.relocationDirectory = ReadDataDirectory(stub, s.layout, kRelocationDirectory, stubName);
  const PeSection* resources = directory.rva ? SectionHolding(s.layout, directory.rva) : nullptr;
  const PeSection* relocations =
      s.relocationDirectory.rva ? SectionHolding(s.layout, s.relocationDirectory.rva) : nullptr;
  std::optional<Placement> replaced =
      ReplaceResourceSection(stub, s.layout, resources, relocations);
  s.placement = replaced ? *replaced : AddSection(stub, s.layout, stubName);
  if (s.placement.relocations) {
    const PeSection& moved = *s.placement.relocations;
    s.relocations.assign(stub.begin() + moved.pointerToRawData,
                         stub.begin() + moved.pointerToRawData + moved.sizeOfRawData);
  }
  s.tree = std::move(tree);
  s.tree.Sort();
  s.plan = PlanResourceSection(s.tree, s.placement.rva);
  s.head.assign(stub.begin(), stub.begin() + s.placement.keep);
  s.head.resize(s.placement.fileOffset, 0);
  // The headers are written again, complete, by Finish.
  s.out.Write(s.head.data(), s.head.size());
  s.out.Write(s.plan.head.data(), s.plan.head.size());
  WriteResourceData(s.plan, [&](const std::uint8_t* data, std::size_t size) {
    s.data.Add(data, size);
    s.out.Write(data, size);
  });
}

ExecutableWriter::~ExecutableWriter() = default;

void ExecutableWriter::Append(const std::uint8_t* data, std::size_t size) {
  State& s = *state_;
  if (s.plan.streamedEntry == 0) throw ToolError(s.output, "the resources have no streamed leaf");
  s.streamed.Add(data, size);
  s.out.Write(data, size);
  s.appended += size;
}

void ExecutableWriter::Patch(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
  State& s = *state_;
  if (offset > s.appended || size > s.appended - offset) {
    throw ToolError(s.output, "a patch past the streamed bytes");
  }
  s.streamed.AddOver(offset, data, size);
  s.out.WriteAt(s.placement.fileOffset + s.plan.size + offset, data, size);
}

void ExecutableWriter::Finish() {
  State& s = *state_;
  const std::uint64_t size = s.plan.size + s.appended;
  const std::uint64_t rawSize = AlignUp(size, s.layout.fileAlignment);
  std::uint64_t imageEnd = AlignUp(s.placement.rva + size, s.layout.sectionAlignment);
  std::optional<Moved> moved;
  if (s.placement.relocations) {
    const PeSection& section = *s.placement.relocations;
    moved = Moved{s.placement.fileOffset + rawSize, static_cast<std::uint32_t>(imageEnd)};
    imageEnd = AlignUp(imageEnd + std::max(section.virtualSize, section.sizeOfRawData),
                       s.layout.sectionAlignment);
  }
  const std::uint64_t fileEnd = s.placement.fileOffset + rawSize + s.relocations.size();
  if (fileEnd > 0xFFFFFFFFull || imageEnd > 0xFFFFFFFFull) {
    throw ToolError(s.output, "the executable would be larger than 4 GiB");
  }
  PatchHeaders(s.head, s.layout, s.placement, static_cast<std::uint32_t>(size),
               static_cast<std::uint32_t>(rawSize), imageEnd);
  if (moved) PatchMoved(s.head, s.layout, *s.placement.relocations, *moved, s.relocationDirectory);
  if (s.plan.streamedEntry != 0) {
    WriteU32(s.plan.head, s.plan.streamedEntry + 4, static_cast<std::uint32_t>(s.appended));
  }
  const std::vector<std::uint8_t> padding(rawSize - size, 0);
  s.out.Write(padding.data(), padding.size());
  s.out.Write(s.relocations.data(), s.relocations.size());
  s.out.WriteAt(0, s.head.data(), s.head.size());
  s.out.WriteAt(s.placement.fileOffset, s.plan.head.data(), s.plan.head.size());

  PeChecksum checksum;
  checksum.Add(s.head.data(), s.head.size());
  checksum.Add(s.plan.head.data(), s.plan.head.size());
  checksum.Append(s.data);
  checksum.Append(s.streamed);
  checksum.Add(padding.data(), padding.size());
  checksum.Add(s.relocations.data(), s.relocations.size());
  std::uint8_t sum[4];
  const std::uint32_t value = checksum.Finish();
  for (int i = 0; i < 4; ++i) sum[i] = static_cast<std::uint8_t>(value >> (8 * i));
  s.out.WriteAt(s.layout.ChecksumOffset(), sum, sizeof sum);
  s.out.Commit();
}

void WriteExecutable(ByteSpan stub, const std::string& stubName, ResourceTree tree,
                     const std::filesystem::path& output) {
  ExecutableWriter(stub, stubName, std::move(tree), output).Finish();
}

}  // namespace setup::mksetup
