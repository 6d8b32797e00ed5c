#pragma once
// The registry of the simulated machine: four roots held in memory, saved and loaded as a
// REGEDIT4-like text. Names of keys and values compare without regard to ASCII case.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace setup {

struct SimValue {
  enum class Type { String, Dword };
  std::string name;  // empty: the key's default value
  Type type = Type::String;
  std::string text;
  std::uint32_t number = 0;
};

struct SimKeyNode {
  std::string name;
  std::map<std::string, std::unique_ptr<SimKeyNode>> children;  // by upper-cased name
  std::vector<SimValue> values;                                 // in the order first written
  SimValue* FindValue(const std::string& name);
};

class SimRegistry : public Registry {
 public:
  SimRegistry();

  std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path) override;
  std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, const std::string& path) override;
  bool DeleteKeyTree(RegistryRoot root, const std::string& path) override;
  bool DeleteKeyIfEmpty(RegistryRoot root, const std::string& path) override;

  // For the tests: the key (and everything below it) can be neither opened nor created.
  void DenyKey(RegistryRoot root, const std::string& path);
  // For the tests: the value of that name under that key cannot be set.
  void DenyValue(RegistryRoot root, const std::string& path, const std::string& name);

  // The value, or nothing when the key or value is missing.
  std::optional<SimValue> Find(RegistryRoot root, const std::string& path,
                               const std::string& name) const;
  bool KeyExists(RegistryRoot root, const std::string& path) const;

  // The whole registry as text: "REGEDIT4", then one [ROOT\path] section per key (parents first,
  // sub-keys sorted) with its values: "name"="text" (\ and " escaped), "name"=dword:xxxxxxxx,
  // @ for the default value.
  std::string SaveText() const;
  // Replaces the content by a text in the form SaveText writes. Throws SetupError naming the
  // line and the reason when a line is not in that form.
  void LoadText(const std::string& text);

  bool MayWrite(const std::string& keyId, const std::string& name) const;

 private:
  SimKeyNode* Walk(RegistryRoot root, const std::string& path, bool create);
  bool Denied(RegistryRoot root, const std::string& path) const;

  SimKeyNode roots_[4];
  std::set<std::string> deniedKeys_;    // "ROOT\PATH" upper-cased
  std::set<std::string> deniedValues_;  // "ROOT\PATH|NAME" upper-cased
};

// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS".
const char* RootName(RegistryRoot root);
// The key path's names, split at backslashes; empty names (a leading backslash) are dropped.
std::vector<std::string> SplitKeyPath(const std::string& path);
// "ROOT\NAME\NAME" upper-cased: the identity of a key for the deny lists.
std::string KeyId(RegistryRoot root, const std::string& path);

}  // namespace setup
