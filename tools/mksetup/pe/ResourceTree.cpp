#include "pe/ResourceTree.h"

#include <algorithm>
#include <set>
#include <unordered_map>

#include "io/ToolError.h"
#include "text/ScriptText.h"

namespace setup::mksetup {
namespace {

constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::size_t kDirectoryHeader = 16;
constexpr std::size_t kEntrySize = 8;
constexpr std::size_t kDataEntrySize = 16;
constexpr int kLevels = 3;  // type, name, language

// The bytes of the resource section that the tree's offsets count from.
struct TreeView {
  ByteSpan file;
  const PeLayout& layout;
  ByteSpan tree;
  std::string what;
  std::set<std::size_t> visited;
  std::vector<ResourceLocation> found;

  [[noreturn]] void Fail(const std::string& reason) const { throw ToolError(what, reason); }
};

ResourceId ReadId(TreeView& view, std::uint32_t field) {
  if ((field & kHighBit) == 0) return ResourceId::Number(static_cast<std::uint16_t>(field));
  const std::size_t at = field & ~kHighBit;
  const std::uint16_t length = ReadU16(view.tree, at, view.what);
  if ((view.tree.size() - at - 2) / 2 < length) view.Fail("a resource name runs past its section");
  ResourceId id;
  id.isName = true;
  for (std::size_t i = 0; i < length; ++i) {
    id.name.push_back(static_cast<char16_t>(ReadU16(view.tree, at + 2 + 2 * i, view.what)));
  }
  return id;
}

void ReadLeaf(TreeView& view, std::size_t at, const ResourceId (&path)[kLevels]) {
  if (at > view.tree.size() || view.tree.size() - at < kDataEntrySize) {
    view.Fail("a resource data entry lies outside the resource section");
  }
  ResourceLocation location{path[0], path[1], path[2]};
  location.rva = ReadU32(view.tree, at, view.what);
  location.size = ReadU32(view.tree, at + 4, view.what);
  location.codePage = ReadU32(view.tree, at + 8, view.what);
  const std::optional<std::size_t> offset = view.layout.RvaToOffset(location.rva, location.size);
  if (!offset) view.Fail("the data of resource " + location.name.Text() + " lies outside the file");
  location.offset = *offset;
  view.found.push_back(std::move(location));
}

void ReadDirectory(TreeView& view, std::size_t at, int level, ResourceId (&path)[kLevels]) {
  if (!view.visited.insert(at).second) view.Fail("the resource tree has a loop");
  if (at > view.tree.size() || view.tree.size() - at < kDirectoryHeader) {
    view.Fail("a resource directory lies outside the resource section");
  }
  const std::size_t count = static_cast<std::size_t>(ReadU16(view.tree, at + 12, view.what)) +
                            ReadU16(view.tree, at + 14, view.what);
  if ((view.tree.size() - at - kDirectoryHeader) / kEntrySize < count) {
    view.Fail("a resource directory's entries run past the resource section");
  }
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = at + kDirectoryHeader + i * kEntrySize;
    path[level] = ReadId(view, ReadU32(view.tree, entry, view.what));
    const std::uint32_t target = ReadU32(view.tree, entry + 4, view.what);
    const bool isDirectory = (target & kHighBit) != 0;
    if (isDirectory != (level + 1 < kLevels)) {
      view.Fail("the resource tree does not have three levels");
    }
    if (isDirectory) {
      ReadDirectory(view, target & ~kHighBit, level + 1, path);
    } else {
      ReadLeaf(view, target, path);
    }
  }
}

// One text per id, names and numbers apart: a number is one unit after a mark no name has.
std::u16string KeyOf(const ResourceId& id) {
  if (!id.isName) return {u'#', static_cast<char16_t>(id.number)};
  return u'N' + id.name;
}

bool IdLess(const ResourceId& a, const ResourceId& b) {
  if (a.isName != b.isName) return a.isName;  // names come first
  return a.isName ? a.name < b.name : a.number < b.number;
}

}  // namespace

ResourceId ResourceId::Name(const std::string& ascii) {
  ResourceId id;
  id.isName = true;
  for (char c : ToUpperAscii(ascii)) id.name.push_back(static_cast<unsigned char>(c));
  return id;
}

std::string ResourceId::Text() const {
  if (!isName) return std::to_string(number);
  std::string text;
  for (char16_t c : name) text.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return text;
}

void ResourceTree::Set(const ResourceId& type, const ResourceId& name, ResourceData data) {
  auto typeIt =
      std::find_if(types.begin(), types.end(), [&](const ResourceType& t) { return t.id == type; });
  if (typeIt == types.end()) typeIt = types.insert(types.end(), ResourceType{type, {}});
  std::erase_if(typeIt->names, [&](const ResourceName& n) { return n.id == name; });
  typeIt->names.push_back({name, {{ResourceId::Number(0), std::move(data)}}});
}

void ResourceTree::Sort() {
  auto byId = [](const auto& a, const auto& b) { return IdLess(a.id, b.id); };
  std::sort(types.begin(), types.end(), byId);
  for (ResourceType& type : types) {
    std::sort(type.names.begin(), type.names.end(), byId);
    for (ResourceName& name : type.names) {
      std::sort(name.languages.begin(), name.languages.end(),
                [](const ResourceLeaf& a, const ResourceLeaf& b) {
                  return IdLess(a.language, b.language);
                });
    }
  }
}

std::vector<ResourceLocation> ListResources(ByteSpan file, const PeLayout& layout,
                                            const std::string& what) {
  const DataDirectory directory = ReadDataDirectory(file, layout, kResourceDirectory, what);
  if (directory.rva == 0 && directory.size == 0) return {};
  const std::optional<std::size_t> start = layout.RvaToOffset(directory.rva, kDirectoryHeader);
  if (!start) throw ToolError(what, "the resource directory lies outside the file");
  // Offsets inside the tree count from its start and stay inside the section that holds it.
  std::size_t end = *start;
  for (const PeSection& section : layout.sections) {
    const std::size_t rawEnd = std::min<std::size_t>(
        file.size(), std::size_t(section.pointerToRawData) + section.sizeOfRawData);
    if (*start >= section.pointerToRawData && *start < rawEnd) end = std::max(end, rawEnd);
  }
  TreeView view{file, layout, file.subspan(*start, end - *start), what, {}, {}};
  ResourceId path[kLevels];
  ReadDirectory(view, 0, 0, path);
  return std::move(view.found);
}

std::optional<ByteSpan> FindRcData(ByteSpan file, const std::string& name,
                                   const std::string& what) {
  const PeLayout layout = ReadPeLayout(file, what);
  // As FindResource: the name looked for is upper-cased, the stored one compared as it is.
  const ResourceId wanted = ResourceId::Name(name);
  for (const ResourceLocation& resource : ListResources(file, layout, what)) {
    if (resource.type == ResourceId::Number(kRtRcData) && resource.name == wanted) {
      return file.subspan(resource.offset, resource.size);
    }
  }
  return std::nullopt;
}

ResourceTree ReadResourceTree(ByteSpan file, const PeLayout& layout, const std::string& what,
                              const std::function<bool(const ResourceId& type)>& wanted) {
  ResourceTree tree;
  // Where each type and name went, so that every leaf finds its place in one look-up: a search
  // along the names made reading a tree of n names take n * n steps.
  std::unordered_map<std::u16string, std::size_t> typeAt;
  std::vector<std::unordered_map<std::u16string, std::size_t>> nameAt;
  for (const ResourceLocation& resource : ListResources(file, layout, what)) {
    if (wanted && !wanted(resource.type)) continue;
    const auto [type, newType] = typeAt.try_emplace(KeyOf(resource.type), tree.types.size());
    if (newType) {
      tree.types.push_back({resource.type, {}});
      nameAt.emplace_back();
    }
    ResourceType& names = tree.types[type->second];
    const auto [name, newName] =
        nameAt[type->second].try_emplace(KeyOf(resource.name), names.names.size());
    if (newName) names.names.push_back({resource.name, {}});
    ResourceData data;
    const ByteSpan bytes = file.subspan(resource.offset, resource.size);
    data.bytes.assign(bytes.begin(), bytes.end());
    data.codePage = resource.codePage;
    names.names[name->second].languages.push_back({resource.language, std::move(data)});
  }
  return tree;
}

}  // namespace setup::mksetup
