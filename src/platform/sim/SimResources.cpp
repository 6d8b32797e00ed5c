#include "platform/sim/SimResources.h"

#include "text/ScriptText.h"

namespace setup {

std::optional<ByteSpan> SimResources::FindRcData(const std::string& name) {
  const auto found = spans_.find(ToUpperAscii(name));
  if (found == spans_.end()) return std::nullopt;
  return found->second;
}

void SimResources::Add(const std::string& name, std::vector<std::uint8_t> bytes) {
  auto& held = owned_[ToUpperAscii(name)];
  held = std::move(bytes);
  spans_[ToUpperAscii(name)] = ByteSpan(held.data(), held.size());
}

void SimResources::Add(const std::string& name, const std::string& bytes) {
  Add(name, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

void SimResources::AddSpan(const std::string& name, ByteSpan bytes) {
  owned_.erase(ToUpperAscii(name));
  spans_[ToUpperAscii(name)] = bytes;
}

}  // namespace setup
