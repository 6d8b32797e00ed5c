#pragma once
// The headers of a PE32 (32-bit) or PE32+ (64-bit) executable as far as resources need them,
// read with every offset and size checked against the file. The two formats differ only in the
// optional header: PE32+ widens the image base and the stack and heap sizes to 8 bytes, so its
// NumberOfRvaAndSizes and data directories stand 16 bytes further on.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "text/Bytes.h"

namespace setup::mksetup {

struct PeSection {
  std::array<char, 8> name{};
  std::uint32_t virtualSize = 0;
  std::uint32_t virtualAddress = 0;
  std::uint32_t sizeOfRawData = 0;
  std::uint32_t pointerToRawData = 0;
  std::uint32_t characteristics = 0;
  std::size_t headerOffset = 0;  // where its 40-byte header stands in the file
  std::string Name() const;
};

struct PeLayout {
  std::size_t peOffset = 0;              // the "PE\0\0" signature
  std::size_t optionalHeaderOffset = 0;  // magic 0x10B (PE32) or 0x20B (PE32+)
  bool pe32Plus = false;
  std::uint16_t machine = 0;  // the file header's Machine: 0x14C x86, 0x8664 x64
  std::size_t sectionTableOffset = 0;
  std::uint32_t fileAlignment = 0;
  std::uint32_t sectionAlignment = 0;
  std::uint32_t sizeOfHeaders = 0;
  std::uint32_t sizeOfImage = 0;
  std::uint32_t numberOfRvaAndSizes = 0;
  std::vector<PeSection> sections;
  std::size_t fileSize = 0;  // section raw data past it is treated as absent

  std::size_t ChecksumOffset() const { return optionalHeaderOffset + 64; }
  std::size_t SizeOfImageOffset() const { return optionalHeaderOffset + 56; }
  std::size_t NumberOfSectionsOffset() const { return peOffset + 6; }
  std::size_t DataDirectoryOffset(std::uint32_t index) const {
    return optionalHeaderOffset + (pe32Plus ? 112 : 96) + 8 * static_cast<std::size_t>(index);
  }
  // The file offset of rva when it lies in a section's raw data with size bytes after it.
  std::optional<std::size_t> RvaToOffset(std::uint32_t rva, std::uint32_t size) const;
};

inline constexpr std::uint32_t kResourceDirectory = 2;
inline constexpr std::uint32_t kSecurityDirectory = 4;
inline constexpr std::uint32_t kRelocationDirectory = 5;
inline constexpr std::size_t kSectionHeaderSize = 40;

inline constexpr std::uint16_t kMachineX86 = 0x14C;
inline constexpr std::uint16_t kMachineX64 = 0x8664;

// Throws ToolError("what: reason") for anything that is not a well-formed PE32 or PE32+ image.
PeLayout ReadPeLayout(ByteSpan file, const std::string& what);

// The two kinds of Windows program a setup.exe and its uninstaller are built as. Windows takes
// an x86 program only as PE32 and an x64 one only as PE32+, so any other pairing is neither.
enum class Architecture { X86, X64 };
std::optional<Architecture> ArchitectureOf(const PeLayout& layout);
const char* ArchitectureName(Architecture architecture);  // "x86" or "x64"
// "x86" or "x64", or for any other image "machine 0xAA64 (PE32+)".
std::string ArchitectureText(const PeLayout& layout);
// "an x64 (PE32+) program", or for any other image "a PE32+ program for machine 0xAA64".
std::string ProgramKind(const PeLayout& layout);

// The resource data directory (RVA and size); {0, 0} when the image has none.
struct DataDirectory {
  std::uint32_t rva = 0;
  std::uint32_t size = 0;
};
DataDirectory ReadDataDirectory(ByteSpan file, const PeLayout& layout, std::uint32_t index,
                                const std::string& what);

// Little-endian reads that throw ToolError(what + ": " + reason) past the end of the span.
std::uint16_t ReadU16(ByteSpan bytes, std::size_t offset, const std::string& what);
std::uint32_t ReadU32(ByteSpan bytes, std::size_t offset, const std::string& what);
void WriteU16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value);
void WriteU32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value);

}  // namespace setup::mksetup
