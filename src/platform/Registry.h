#pragma once
// The registry: open or create a key under a root, read a string, write a string or a number,
// list a key's sub-keys.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace setup {

// Windows' limits: a key's name up to 255 characters, a value's name up to 16,383, a key at most
// 512 levels below its root. What lies beyond them cannot be made on Windows, so the simulated
// registry cannot make it either, and a script that asks for it is refused before it is built.
constexpr std::size_t kLongestKeyName = 255;
constexpr std::size_t kLongestValueName = 16383;
constexpr std::size_t kDeepestKey = 512;

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users };

class RegistryKey {
 public:
  virtual ~RegistryKey() = default;  // closes the key
  // REG_SZ or REG_EXPAND_SZ (unexpanded) up to its first NUL; empty for anything else.
  virtual std::string ReadString(const std::string& name) = 0;
  // Both return false when the value cannot be set; an empty name is the default value.
  virtual bool WriteString(const std::string& name, const std::string& value) = 0;
  virtual bool WriteInteger(const std::string& name, std::int32_t value) = 0;
  // For the uninstaller: deletes one value; false when it still exists afterwards. An
  // implementation without it removes nothing.
  virtual bool DeleteValue(const std::string& /*name*/) { return false; }
  // For the uninstaller: the names of the key's direct sub-keys, in no particular order. An
  // implementation without it lists none.
  virtual std::vector<std::string> SubKeyNames() { return {}; }
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Opens an existing key for reading; null when it cannot be opened.
  virtual std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path) = 0;
  // Opens the key with all access, creating it and its parents; null when that fails.
  virtual std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, const std::string& path) = 0;
  // For the uninstaller: deletes the key with all its sub-keys and values; false when it still
  // exists afterwards. An implementation without it removes nothing.
  virtual bool DeleteKeyTree(RegistryRoot root, const std::string& path) {
    return !OpenKey(root, path);
  }
  // For the uninstaller: deletes the key only while it has neither values nor sub-keys; false
  // when it still exists afterwards.
  virtual bool DeleteKeyIfEmpty(RegistryRoot root, const std::string& path) {
    return !OpenKey(root, path);
  }
};

}  // namespace setup
