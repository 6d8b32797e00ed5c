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

#include "platform/Error.h"
#include "platform/Registry.h"

namespace setup {

// What LoadText found wrong with a registry text: the line (from 1) and the reason.
class RegistryTextError : public SetupError {
 public:
  RegistryTextError(std::size_t line, std::string reason)
      : SetupError("registry text, line " + std::to_string(line) + ": " + reason),
        line_(line),
        reason_(std::move(reason)) {}
  std::size_t Line() const { return line_; }
  const std::string& Reason() const { return reason_; }

 private:
  std::size_t line_;
  std::string reason_;
};

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
  // Replaces the content by a text in the form SaveText writes, read as if anyone could have
  // written it: each key once and after its parent, each value once in its key, names within
  // Windows' limits, escapes only of \\ and \", no NUL byte. Throws RegistryTextError at the
  // first line that is not in that form, and then leaves the content as it was.
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
