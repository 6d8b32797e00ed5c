#pragma once
#include "platform/Registry.h"

namespace setup {

class Win32Registry : public Registry {
 public:
  std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path) override;
  std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, const std::string& path) override;
  bool DeleteKeyTree(RegistryRoot root, const std::string& path) override;
  bool DeleteKeyIfEmpty(RegistryRoot root, const std::string& path) override;
};

}  // namespace setup
