#pragma once
// The headers of a PE32 executable as far as resources need them, read with every offset and
// size checked against the file.
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
  std::size_t optionalHeaderOffset = 0;  // PE32 optional header (magic 0x10B)
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
    return optionalHeaderOffset + 96 + 8 * static_cast<std::size_t>(index);
  }
  // The file offset of rva when it lies in a section's raw data with size bytes after it.
  std::optional<std::size_t> RvaToOffset(std::uint32_t rva, std::uint32_t size) const;
};

inline constexpr std::uint32_t kResourceDirectory = 2;
inline constexpr std::uint32_t kSecurityDirectory = 4;
inline constexpr std::uint32_t kRelocationDirectory = 5;
inline constexpr std::size_t kSectionHeaderSize = 40;

// Throws ToolError("what: reason") for anything that is not a well-formed PE32 image.
PeLayout ReadPeLayout(ByteSpan file, const std::string& what);

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
