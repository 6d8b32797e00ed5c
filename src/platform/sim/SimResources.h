#pragma once
// The resources of the simulated module: byte runs held here or spans over memory of the caller.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Resources.h"

namespace setup {

class SimResources : public Resources {
 public:
  // Names compare without regard to ASCII case, as FindResource's do.
  std::optional<ByteSpan> FindRcData(const std::string& name) override;
  void Add(const std::string& name, std::vector<std::uint8_t> bytes);
  void Add(const std::string& name, const std::string& bytes);
  // The caller keeps the bytes alive (a mapped file).
  void AddSpan(const std::string& name, ByteSpan bytes);
  // Told what a reader gives back, for the owner of the bytes to let their pages go.
  void GiveBack(ByteSpan consumed) override {
    if (onGiveBack) onGiveBack(consumed);
  }
  std::function<void(ByteSpan consumed)> onGiveBack;

 private:
  std::map<std::string, std::vector<std::uint8_t>> owned_;
  std::map<std::string, ByteSpan> spans_;
};

}  // namespace setup
