#include "platform/win32/Win32Registry.h"

#include <windows.h>

#include <vector>

#include "platform/win32/Win32Owned.h"
#include "platform/win32/Win32Trace.h"

namespace setup {
namespace {

HKEY RootHandle(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::ClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentUser:
      return HKEY_CURRENT_USER;
    case RegistryRoot::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegistryRoot::Users:
      return HKEY_USERS;
  }
  return HKEY_CURRENT_USER;
}

// A leading backslash means "from the root"; the API wants the path without it.
std::string KeyPath(const std::string& path) {
  return !path.empty() && path[0] == '\\' ? path.substr(1) : path;
}

class Win32Key : public RegistryKey {
 public:
  explicit Win32Key(win32::RegistryKeyHandle key) : key_(std::move(key)) {}

  std::string ReadString(const std::string& name) override {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
      return {};
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || size == 0) return {};
    std::vector<char> data(size + 1, '\0');
    if (RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
      return {};
    return std::string(data.data());  // up to the first NUL
  }

  bool WriteString(const std::string& name, const std::string& value) override {
    return Written(name, RegSetValueExA(key_.Get(), name.c_str(), 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(value.c_str()),
                                        static_cast<DWORD>(value.size() + 1)));
  }

  bool WriteInteger(const std::string& name, std::int32_t value) override {
    DWORD data = static_cast<DWORD>(value);
    return Written(name, RegSetValueExA(key_.Get(), name.c_str(), 0, REG_DWORD,
                                        reinterpret_cast<const BYTE*>(&data), sizeof data));
  }

  bool DeleteValue(const std::string& name) override {
    LONG rc = RegDeleteValueA(key_.Get(), name.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
  }

  std::vector<std::string> SubKeyNames() override {
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
      // 255 characters, each up to two bytes in a double-byte code page.
      char name[2 * kLongestKeyName + 1];
      DWORD size = sizeof name;
      const LONG rc =
          RegEnumKeyExA(key_.Get(), index, name, &size, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_MORE_DATA) continue;  // longer than any key's name: skip it
      if (rc != ERROR_SUCCESS) break;
      names.emplace_back(name, size);
    }
    return names;
  }

 private:
  static bool Written(const std::string& name, LONG rc) {
    if (rc != ERROR_SUCCESS) win32::TraceFailedCall("RegSetValueExA", name, rc);
    return rc == ERROR_SUCCESS;
  }

  win32::RegistryKeyHandle key_;
};

// RegDeleteTree needs Vista; walking the tree ourselves also works on older systems.
bool DeleteTree(HKEY parent, const std::string& path) {
  win32::RegistryKeyHandle key;
  if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, key.Put()) == ERROR_SUCCESS) {
    char name[256];
    for (;;) {
      DWORD size = sizeof name;
      if (RegEnumKeyExA(key.Get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS)
        break;
      if (!DeleteTree(key.Get(), name)) break;
    }
    key.Reset();
  }
  LONG rc = RegDeleteKeyA(parent, path.c_str());
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::OpenKey(RegistryRoot root, const std::string& path) {
  win32::RegistryKeyHandle key;
  if (RegOpenKeyExA(RootHandle(root), KeyPath(path).c_str(), 0, KEY_READ, key.Put()) !=
      ERROR_SUCCESS)
    return nullptr;
  return std::make_unique<Win32Key>(std::move(key));
}

std::unique_ptr<RegistryKey> Win32Registry::CreateKey(RegistryRoot root, const std::string& path) {
  win32::RegistryKeyHandle key;
  const LONG rc =
      RegCreateKeyExA(RootHandle(root), KeyPath(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, key.Put(), nullptr);
  if (rc != ERROR_SUCCESS) {
    win32::TraceFailedCall("RegCreateKeyExA", path, rc);
    return nullptr;
  }
  return std::make_unique<Win32Key>(std::move(key));
}

bool Win32Registry::DeleteKeyTree(RegistryRoot root, const std::string& path) {
  std::string relative = KeyPath(path);
  if (relative.empty()) return false;  // never the root itself
  return DeleteTree(RootHandle(root), relative);
}

}  // namespace setup

namespace setup {

// Windows 9x's RegDeleteKey takes the sub-keys with it: count first.
bool Win32Registry::DeleteKeyIfEmpty(RegistryRoot root, const std::string& path) {
  std::string relative = KeyPath(path);
  if (relative.empty()) return false;
  HKEY key = nullptr;
  if (RegOpenKeyExA(RootHandle(root), relative.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return true;
  DWORD subKeys = 1, values = 1;
  LONG rc = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                             nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || subKeys != 0 || values != 0) return false;
  rc = RegDeleteKeyA(RootHandle(root), relative.c_str());
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

}  // namespace setup
