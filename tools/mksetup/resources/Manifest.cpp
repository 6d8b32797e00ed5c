#include "Manifest.h"

#include "io/ToolError.h"

namespace setup::mksetup {
namespace {

constexpr const char* kLevelNames[] = {"asInvoker", "highestAvailable", "requireAdministrator"};
constexpr const char* kElement = "<requestedExecutionLevel";

struct AttributeValue {
  std::size_t begin = 0, end = 0;  // the value between its quotes
};

// The level attribute inside the element, its value's place in the text.
std::optional<AttributeValue> FindLevel(const std::string& manifest) {
  const std::size_t element = manifest.find(kElement);
  if (element == std::string::npos) return std::nullopt;
  const std::size_t close = manifest.find('>', element);
  const std::string tag = manifest.substr(element, close - element);
  std::size_t at = 0;
  while ((at = tag.find("level", at)) != std::string::npos) {
    // The name stands alone: "level=", not the tail of another attribute's name.
    const bool own = at > 0 && (tag[at - 1] == ' ' || tag[at - 1] == '\t' || tag[at - 1] == '\n' ||
                                tag[at - 1] == '\r');
    std::size_t value = tag.find_first_not_of(" \t\r\n", at + 5);
    at += 5;
    if (!own || value == std::string::npos || tag[value] != '=') continue;
    value = tag.find_first_not_of(" \t\r\n", value + 1);
    if (value == std::string::npos || (tag[value] != '"' && tag[value] != '\''))
      return std::nullopt;
    const std::size_t end = tag.find(tag[value], value + 1);
    if (end == std::string::npos) return std::nullopt;
    return AttributeValue{element + value + 1, element + end};
  }
  return std::nullopt;
}

}  // namespace

std::optional<ExecutionLevel> ParseExecutionLevel(const std::string& text) {
  for (std::size_t i = 0; i < 3; ++i)
    if (text == kLevelNames[i]) return static_cast<ExecutionLevel>(i);
  return std::nullopt;
}

const char* ExecutionLevelName(ExecutionLevel level) {
  return kLevelNames[static_cast<std::size_t>(level)];
}

std::optional<std::string> RequestedExecutionLevel(const std::string& manifest) {
  const std::optional<AttributeValue> value = FindLevel(manifest);
  if (!value) return std::nullopt;
  return manifest.substr(value->begin, value->end - value->begin);
}

std::string WithExecutionLevel(const std::string& manifest, ExecutionLevel level,
                               const std::string& what) {
  const std::optional<AttributeValue> value = FindLevel(manifest);
  if (!value) throw ToolError(what, "its manifest asks for no execution level");
  std::string changed = manifest;
  changed.replace(value->begin, value->end - value->begin, ExecutionLevelName(level));
  return changed;
}

void SetExecutionLevel(ResourceTree& tree, ExecutionLevel level, const std::string& what) {
  bool found = false;
  for (ResourceType& type : tree.types) {
    if (type.id != ResourceId::Number(kRtManifest)) continue;
    for (ResourceName& name : type.names) {
      for (ResourceLeaf& leaf : name.languages) {
        const std::string manifest(leaf.data.bytes.begin(), leaf.data.bytes.end());
        const std::string changed = WithExecutionLevel(manifest, level, what);
        leaf.data.bytes.assign(changed.begin(), changed.end());
        found = true;
      }
    }
  }
  if (!found) throw ToolError(what, "the program has no manifest to set the execution level in");
}

}  // namespace setup::mksetup
