#include "pe/PeFile.h"

#include <cstdio>

#include "io/ToolError.h"

namespace setup::mksetup {
namespace {

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
// The optional header up to its data directories.
constexpr std::size_t kPe32HeaderMinimum = 96;
constexpr std::size_t kPe32PlusHeaderMinimum = 112;
constexpr std::uint32_t kMaxSections = 96;  // the Windows loader's own limit

bool IsPowerOfTwo(std::uint32_t value) {
  return value != 0 && (value & (value - 1)) == 0;
}

PeSection ReadSection(ByteSpan file, std::size_t at, const std::string& what) {
  PeSection section;
  if (file.size() < at || file.size() - at < kSectionHeaderSize) {
    throw ToolError(what, "the section table runs past the end of the file");
  }
  for (std::size_t i = 0; i < 8; ++i) section.name[i] = static_cast<char>(file[at + i]);
  section.virtualSize = ReadU32(file, at + 8, what);
  section.virtualAddress = ReadU32(file, at + 12, what);
  section.sizeOfRawData = ReadU32(file, at + 16, what);
  section.pointerToRawData = ReadU32(file, at + 20, what);
  section.characteristics = ReadU32(file, at + 36, what);
  section.headerOffset = at;
  return section;
}

void CheckSection(const PeSection& section, std::size_t fileSize, const std::string& what) {
  const std::uint64_t rawEnd =
      static_cast<std::uint64_t>(section.pointerToRawData) + section.sizeOfRawData;
  if (section.sizeOfRawData != 0 && rawEnd > fileSize) {
    throw ToolError(what, "section " + section.Name() + " runs past the end of the file");
  }
  const std::uint64_t virtualEnd =
      static_cast<std::uint64_t>(section.virtualAddress) + section.virtualSize;
  if (virtualEnd > 0xFFFFFFFFull) {
    throw ToolError(what, "section " + section.Name() + " lies beyond 4 GiB");
  }
}

}  // namespace

std::string PeSection::Name() const {
  std::string text(name.data(), name.size());
  return text.substr(0, text.find('\0'));
}

std::uint16_t ReadU16(ByteSpan bytes, std::size_t offset, const std::string& what) {
  if (bytes.size() < 2 || offset > bytes.size() - 2) {
    throw ToolError(what, "a field at byte " + std::to_string(offset) + " lies past the end");
  }
  return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

std::uint32_t ReadU32(ByteSpan bytes, std::size_t offset, const std::string& what) {
  if (bytes.size() < 4 || offset > bytes.size() - 4) {
    throw ToolError(what, "a field at byte " + std::to_string(offset) + " lies past the end");
  }
  return static_cast<std::uint32_t>(bytes[offset]) |
         static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

void WriteU16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value) {
  bytes.at(offset + 1);
  bytes[offset] = static_cast<std::uint8_t>(value);
  bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void WriteU32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
  bytes.at(offset + 3);
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::optional<std::size_t> PeLayout::RvaToOffset(std::uint32_t rva, std::uint32_t size) const {
  for (const PeSection& section : sections) {
    if (rva < section.virtualAddress) continue;
    const std::uint64_t inside = rva - section.virtualAddress;
    if (inside + size > section.sizeOfRawData) continue;
    // A section header may claim raw data beyond the end of a cut or forged file.
    const std::uint64_t offset = std::uint64_t(section.pointerToRawData) + inside;
    if (offset + size > fileSize) continue;
    return static_cast<std::size_t>(offset);
  }
  return std::nullopt;
}

PeLayout ReadPeLayout(ByteSpan file, const std::string& what) {
  if (file.size() < 64 || file[0] != 'M' || file[1] != 'Z') {
    throw ToolError(what, "not a Windows executable (no MZ header)");
  }
  PeLayout layout;
  layout.fileSize = file.size();
  layout.peOffset = ReadU32(file, 0x3C, what);
  if (ReadU32(file, layout.peOffset, what) != 0x00004550u) {
    throw ToolError(what, "not a PE executable (no PE signature)");
  }
  const std::uint16_t sectionCount = ReadU16(file, layout.peOffset + 6, what);
  const std::uint16_t optionalSize = ReadU16(file, layout.peOffset + 20, what);
  layout.machine = ReadU16(file, layout.peOffset + 4, what);
  layout.optionalHeaderOffset = layout.peOffset + 24;
  const std::uint16_t magic = ReadU16(file, layout.optionalHeaderOffset, what);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) {
    throw ToolError(what, "not a PE32 or PE32+ executable");
  }
  layout.pe32Plus = magic == kPe32PlusMagic;
  const std::size_t minimum = layout.pe32Plus ? kPe32PlusHeaderMinimum : kPe32HeaderMinimum;
  if (optionalSize < minimum) throw ToolError(what, "the optional header is too short");
  layout.sectionAlignment = ReadU32(file, layout.optionalHeaderOffset + 32, what);
  layout.fileAlignment = ReadU32(file, layout.optionalHeaderOffset + 36, what);
  layout.sizeOfImage = ReadU32(file, layout.SizeOfImageOffset(), what);
  layout.sizeOfHeaders = ReadU32(file, layout.optionalHeaderOffset + 60, what);
  layout.numberOfRvaAndSizes = ReadU32(file, layout.DataDirectoryOffset(0) - 4, what);
  if (!IsPowerOfTwo(layout.fileAlignment) || !IsPowerOfTwo(layout.sectionAlignment) ||
      layout.fileAlignment > layout.sectionAlignment || layout.fileAlignment < 0x200 ||
      layout.fileAlignment > 0x10000) {
    throw ToolError(what, "its file or section alignment is not a valid power of two");
  }
  if (layout.numberOfRvaAndSizes > (optionalSize - minimum) / 8) {
    throw ToolError(what, "its data directories do not fit the optional header");
  }
  if (sectionCount > kMaxSections) throw ToolError(what, "it has too many sections");
  layout.sectionTableOffset = layout.optionalHeaderOffset + optionalSize;
  for (std::uint16_t i = 0; i < sectionCount; ++i) {
    PeSection section = ReadSection(file, layout.sectionTableOffset + i * kSectionHeaderSize, what);
    CheckSection(section, file.size(), what);
    layout.sections.push_back(section);
  }
  return layout;
}

DataDirectory ReadDataDirectory(ByteSpan file, const PeLayout& layout, std::uint32_t index,
                                const std::string& what) {
  if (index >= layout.numberOfRvaAndSizes) return {};
  const std::size_t at = layout.DataDirectoryOffset(index);
  return {ReadU32(file, at, what), ReadU32(file, at + 4, what)};
}

namespace {

std::string FormatName(const PeLayout& layout) {
  return layout.pe32Plus ? "PE32+" : "PE32";
}

std::string MachineHex(std::uint16_t machine) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", machine);
  return text;
}

}  // namespace

std::optional<Architecture> ArchitectureOf(const PeLayout& layout) {
  if (layout.machine == kMachineX86 && !layout.pe32Plus) return Architecture::X86;
  if (layout.machine == kMachineX64 && layout.pe32Plus) return Architecture::X64;
  return std::nullopt;
}

const char* ArchitectureName(Architecture architecture) {
  return architecture == Architecture::X64 ? "x64" : "x86";
}

std::string ArchitectureText(const PeLayout& layout) {
  if (const auto architecture = ArchitectureOf(layout)) return ArchitectureName(*architecture);
  return "machine " + MachineHex(layout.machine) + " (" + FormatName(layout) + ")";
}

std::string ProgramKind(const PeLayout& layout) {
  if (const auto architecture = ArchitectureOf(layout)) {
    return std::string("an ") + ArchitectureName(*architecture) + " (" + FormatName(layout) +
           ") program";
  }
  return "a " + FormatName(layout) + " program for machine " + MachineHex(layout.machine);
}

}  // namespace setup::mksetup
