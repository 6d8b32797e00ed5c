#pragma once
// The version resource (RT_VERSION, one VS_VERSIONINFO) that Explorer shows on a program's
// Details page: the fixed four-number file and product versions and the texts of one string
// table. Layout: every block is u16 length (the block, its children included, without the padding
// after it), u16 value length (bytes for binary, UTF-16 units with the NUL for text), u16 type
// (0 binary, 1 text), the key in UTF-16 with its NUL, padding to 4 bytes, the value, padding to
// 4 bytes, then the children, each at a multiple of 4 from the resource's start:
//   VS_VERSION_INFO   value VS_FIXEDFILEINFO (52 bytes)
//     StringFileInfo
//       040704E4       the table's language and code page in hex
//         CompanyName  value "..." (one block a text)
//     VarFileInfo
//       Translation    value u16 language, u16 code page
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "text/Bytes.h"

namespace setup::mksetup {

inline constexpr std::uint16_t kRtVersion = 16;
inline constexpr std::uint16_t kVersionInfoId = 1;  // VS_VERSION_INFO

using FourNumbers = std::array<std::uint16_t, 4>;

struct VersionInfo {
  FourNumbers fileVersion{}, productVersion{};
  std::uint16_t language = 0, codePage = 0;
  std::vector<std::pair<std::string, std::string>> texts;  // name, value; UTF-8

  const std::string* Text(const std::string& name) const;
};

// The setup program's own version resource as its .rc has it: 1.0.0.0, German (Germany) with
// code page 1252, the ten usual texts empty but the two versions.
VersionInfo StubVersionInfo();

std::vector<std::uint8_t> WriteVersionInfo(const VersionInfo& info);

// Throws ToolError(what: reason) for a block that does not fit its parent, a key without its
// NUL, or no VS_FIXEDFILEINFO. Text tables beyond the first and unknown blocks are passed over.
VersionInfo ReadVersionInfo(ByteSpan resource, const std::string& what);

// The first version resource of a PE image, read by ReadVersionInfo; nothing when it has none.
std::optional<VersionInfo> FindVersionInfo(ByteSpan file, const std::string& what);

// "1.2.3.4"
std::string FourNumbersText(const FourNumbers& numbers);

}  // namespace setup::mksetup
