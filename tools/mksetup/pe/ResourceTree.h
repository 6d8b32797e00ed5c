#pragma once
// The resource tree of a PE image (type, name, language), read with every offset checked.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "pe/PeFile.h"
#include "text/Bytes.h"

namespace setup::mksetup {

inline constexpr std::uint16_t kRtRcData = 10;

// A resource type, name or language: a number, or a UTF-16 name (stored upper-case by resource
// compilers; FindResource upper-cases the name it looks for).
struct ResourceId {
  bool isName = false;
  std::uint16_t number = 0;
  std::u16string name;

  static ResourceId Number(std::uint16_t value) { return {false, value, {}}; }
  static ResourceId Name(const std::string& ascii);  // upper-cased, as FindResource sees it
  std::string Text() const;                          // "10" or "SETUPINFO"
  bool operator==(const ResourceId& other) const = default;
};

// A leaf's bytes: kept in memory, or appended by the caller of an ExecutableWriter.
struct ResourceData {
  std::vector<std::uint8_t> bytes;
  std::uint32_t codePage = 0;
  bool streamed = false;  // appended later, of a size not known before; no bytes here

  std::uint32_t Size() const { return static_cast<std::uint32_t>(bytes.size()); }
};

struct ResourceLeaf {
  ResourceId language;
  ResourceData data;
};
struct ResourceName {
  ResourceId id;
  std::vector<ResourceLeaf> languages;
};
struct ResourceType {
  ResourceId id;
  std::vector<ResourceName> names;
};

struct ResourceTree {
  std::vector<ResourceType> types;
  // Adds or replaces the resource (every language of that name) by one leaf, language 0.
  void Set(const ResourceId& type, const ResourceId& name, ResourceData data);
  // Sorts every level as the loader's binary search needs: names by their UTF-16 units, then
  // numbers ascending.
  void Sort();
};

// One resource found in an image: where its bytes lie in the file.
struct ResourceLocation {
  ResourceId type, name, language;
  std::uint32_t rva = 0;
  std::size_t offset = 0;
  std::uint32_t size = 0;
  std::uint32_t codePage = 0;
};

// Every leaf of the image's resource tree, in tree order; empty when it has no resources.
// Throws ToolError(what: reason) for a malformed tree: entries or names outside the resource
// section, a loop, more than three levels, data outside the file.
std::vector<ResourceLocation> ListResources(ByteSpan file, const PeLayout& layout,
                                            const std::string& what);

// The first language of the RCDATA resource of that name, as a span into file. The name is matched
// as Windows' FindResource matches it: upper-cased, then exactly, so a tree that stores
// "setupinfo" has no resource SetupInfo.
std::optional<ByteSpan> FindRcData(ByteSpan file, const std::string& name, const std::string& what);

// The tree with every leaf's bytes copied out, for writing a new image from this one; given
// wanted, only the types it takes (a setup.exe's pictures are a few KB beside a payload of
// hundreds of MB).
ResourceTree ReadResourceTree(ByteSpan file, const PeLayout& layout, const std::string& what,
                              const std::function<bool(const ResourceId& type)>& wanted = {});

}  // namespace setup::mksetup
