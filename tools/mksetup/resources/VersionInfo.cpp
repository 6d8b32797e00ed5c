#include "VersionInfo.h"

#include <cstdio>

#include "io/ToolError.h"
#include "io/Utf16Text.h"
#include "pe/PeFile.h"
#include "pe/ResourceTree.h"

namespace setup::mksetup {
namespace {

constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
constexpr std::size_t kFixedSize = 52;
constexpr std::size_t kBlockHead = 6;

// One block before it is written: its value encoded already.
struct Block {
  std::string key;
  std::uint16_t type = 1;
  std::uint16_t valueLength = 0;  // UTF-16 units for a text, bytes for a binary value
  std::vector<std::uint8_t> value;
  std::vector<Block> children;
};

void Pad(std::vector<std::uint8_t>& out) {
  while (out.size() % 4) out.push_back(0);
}

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutUtf16(std::vector<std::uint8_t>& out, const std::u16string& units) {
  for (const char16_t unit : units) PutU16(out, unit);
  PutU16(out, 0);
}

Block Parent(const std::string& key, std::vector<Block> children) {
  return {key, 1, 0, {}, std::move(children)};
}

Block Binary(const std::string& key, std::vector<std::uint8_t> value) {
  const auto length = static_cast<std::uint16_t>(value.size());
  return {key, 0, length, std::move(value), {}};
}

Block Text(const std::string& key, const std::string& text) {
  std::vector<std::uint8_t> value;
  const std::u16string units = Utf16Of(text);
  PutUtf16(value, units);
  return {key, 1, static_cast<std::uint16_t>(units.size() + 1), std::move(value), {}};
}

void Write(std::vector<std::uint8_t>& out, const Block& block) {
  const std::size_t start = out.size();
  PutU16(out, 0);
  PutU16(out, block.valueLength);
  PutU16(out, block.type);
  PutUtf16(out, Utf16Of(block.key));
  Pad(out);
  out.insert(out.end(), block.value.begin(), block.value.end());
  for (const Block& child : block.children) {
    Pad(out);
    Write(out, child);
  }
  WriteU16(out, start, static_cast<std::uint16_t>(out.size() - start));
}

std::vector<std::uint8_t> FixedFileInfo(const VersionInfo& info) {
  std::vector<std::uint8_t> fixed;
  const auto put32 = [&](std::uint32_t value) {
    PutU16(fixed, value & 0xFFFF);
    PutU16(fixed, value >> 16);
  };
  const auto high = [](const FourNumbers& n) { return std::uint32_t{n[0]} << 16 | n[1]; };
  const auto low = [](const FourNumbers& n) { return std::uint32_t{n[2]} << 16 | n[3]; };
  put32(kFixedSignature);
  put32(0x00010000);  // structure version 1.0
  put32(high(info.fileVersion));
  put32(low(info.fileVersion));
  put32(high(info.productVersion));
  put32(low(info.productVersion));
  put32(0x3F);  // VS_FFI_FILEFLAGSMASK
  put32(0);     // no flags
  put32(0x4);   // VOS__WINDOWS32
  put32(0x1);   // VFT_APP
  put32(0);     // no subtype
  put32(0);     // no date
  put32(0);
  return fixed;
}

std::string TableName(std::uint16_t language, std::uint16_t codePage) {
  char name[9];
  std::snprintf(name, sizeof name, "%04X%04X", language, codePage);
  return name;
}

// A block read back: where its parts lie in the resource.
struct Read {
  std::size_t start = 0, end = 0;  // end: start + its length
  std::uint16_t valueLength = 0, type = 0;
  std::string key;  // UTF-8
  std::size_t value = 0, children = 0;
};

Read ReadBlock(ByteSpan bytes, std::size_t start, std::size_t limit, const std::string& what) {
  Read block;
  block.start = start;
  const std::uint16_t length = ReadU16(bytes, start, what);
  block.valueLength = ReadU16(bytes, start + 2, what);
  block.type = ReadU16(bytes, start + 4, what);
  block.end = start + length;
  if (length < kBlockHead || block.end > limit) {
    throw ToolError(what, "a version block at " + std::to_string(start) + " of " +
                              std::to_string(length) + " bytes does not fit its parent");
  }
  std::size_t at = start + kBlockHead;
  std::u16string key;
  for (;; at += 2) {
    if (at + 2 > block.end) throw ToolError(what, "a version block's key has no end");
    const std::uint16_t unit = ReadU16(bytes, at, what);
    if (unit == 0) break;
    key.push_back(unit);
  }
  block.key = Utf8OfUtf16(key);
  block.value = (at + 2 + 3) / 4 * 4;
  const std::size_t valueBytes = block.type == 1 ? block.valueLength * 2u : block.valueLength;
  if (block.value + valueBytes > block.end) {
    throw ToolError(what, "the value of the version block " + block.key + " overruns it");
  }
  block.children = (block.value + valueBytes + 3) / 4 * 4;
  return block;
}

std::vector<Read> Children(ByteSpan bytes, const Read& parent, const std::string& what) {
  std::vector<Read> children;
  for (std::size_t at = parent.children; at + kBlockHead <= parent.end;) {
    children.push_back(ReadBlock(bytes, at, parent.end, what));
    at = (children.back().end + 3) / 4 * 4;
  }
  return children;
}

std::string TextValue(ByteSpan bytes, const Read& block, const std::string& what) {
  std::u16string units;
  for (std::size_t i = 0; i < block.valueLength; ++i) {
    const std::uint16_t unit = ReadU16(bytes, block.value + 2 * i, what);
    if (unit == 0) break;
    units.push_back(unit);
  }
  return Utf8OfUtf16(units);
}

}  // namespace

const std::string* VersionInfo::Text(const std::string& name) const {
  for (const auto& [key, value] : texts) {
    if (key == name) return &value;
  }
  return nullptr;
}

VersionInfo StubVersionInfo() {
  VersionInfo info;
  info.fileVersion = info.productVersion = {1, 0, 0, 0};
  info.language = 0x0407;
  info.codePage = 1252;
  for (const char* name :
       {"CompanyName", "FileDescription", "FileVersion", "InternalName", "LegalCopyright",
        "LegalTrademarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments"}) {
    info.texts.emplace_back(name, "");
  }
  for (auto& [name, value] : info.texts) {
    if (name == "FileVersion" || name == "ProductVersion") value = "1.0.0.0";
  }
  return info;
}

std::vector<std::uint8_t> WriteVersionInfo(const VersionInfo& info) {
  Block table = Parent(TableName(info.language, info.codePage), {});
  for (const auto& [name, value] : info.texts) table.children.push_back(Text(name, value));
  std::vector<std::uint8_t> translation;
  PutU16(translation, info.language);
  PutU16(translation, info.codePage);
  Block root = Binary("VS_VERSION_INFO", FixedFileInfo(info));
  root.children = {Parent("StringFileInfo", {table}),
                   Parent("VarFileInfo", {Binary("Translation", translation)})};
  std::vector<std::uint8_t> out;
  Write(out, root);
  return out;
}

VersionInfo ReadVersionInfo(ByteSpan bytes, const std::string& what) {
  const Read root = ReadBlock(bytes, 0, bytes.size(), what);
  if (root.key != "VS_VERSION_INFO" || root.valueLength < kFixedSize ||
      ReadU32(bytes, root.value, what) != kFixedSignature) {
    throw ToolError(what, "the version resource has no VS_FIXEDFILEINFO");
  }
  VersionInfo info;
  const auto four = [&](std::size_t at) {
    const std::uint32_t high = ReadU32(bytes, at, what), low = ReadU32(bytes, at + 4, what);
    return FourNumbers{static_cast<std::uint16_t>(high >> 16), static_cast<std::uint16_t>(high),
                       static_cast<std::uint16_t>(low >> 16), static_cast<std::uint16_t>(low)};
  };
  info.fileVersion = four(root.value + 8);
  info.productVersion = four(root.value + 16);
  bool tableRead = false;
  for (const Read& child : Children(bytes, root, what)) {
    for (const Read& grandchild : Children(bytes, child, what)) {
      if (child.key == "StringFileInfo" && !tableRead) {
        tableRead = true;
        for (const Read& text : Children(bytes, grandchild, what)) {
          info.texts.emplace_back(text.key, TextValue(bytes, text, what));
        }
      } else if (child.key == "VarFileInfo" && grandchild.key == "Translation" &&
                 grandchild.valueLength >= 4) {
        info.language = ReadU16(bytes, grandchild.value, what);
        info.codePage = ReadU16(bytes, grandchild.value + 2, what);
      }
    }
  }
  return info;
}

std::optional<VersionInfo> FindVersionInfo(ByteSpan file, const std::string& what) {
  for (const ResourceLocation& found : ListResources(file, ReadPeLayout(file, what), what)) {
    if (found.type == ResourceId::Number(kRtVersion)) {
      return ReadVersionInfo(file.subspan(found.offset, found.size), what + " (version resource)");
    }
  }
  return std::nullopt;
}

std::string FourNumbersText(const FourNumbers& numbers) {
  return std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." +
         std::to_string(numbers[2]) + "." + std::to_string(numbers[3]);
}

}  // namespace setup::mksetup
