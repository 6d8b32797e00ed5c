#include "platform/win32/Win32Registry.h"

#include <windows.h>

#include <vector>

#include "platform/win32/WideText.h"
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
std::wstring KeyPath(const std::string& path) {
  return Utf16FromUtf8(!path.empty() && path[0] == '\\' ? std::string_view(path).substr(1)
                                                        : std::string_view(path));
}

class Win32Key : public RegistryKey {
 public:
  explicit Win32Key(win32::RegistryKeyHandle key) : key_(std::move(key)) {}

  std::string ReadString(const std::string& name) override {
    const std::wstring wideName = Utf16FromUtf8(name);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key_.Get(), wideName.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
      return {};
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || size == 0) return {};
    // The value need not end in a NUL, and its size in bytes may be odd: room for both.
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
    if (RegQueryValueExW(key_.Get(), wideName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
      return {};
    return Utf8FromUtf16(data.data());  // up to the first NUL
  }

  bool WriteString(const std::string& name, const std::string& value) override {
    const std::wstring wide = Utf16FromUtf8(value);
    // The terminating NUL is part of the value's data.
    return Written(name, RegSetValueExW(key_.Get(), Utf16FromUtf8(name).c_str(), 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(wide.c_str()),
                                        static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))));
  }

  bool WriteInteger(const std::string& name, std::int32_t value) override {
    DWORD data = static_cast<DWORD>(value);
    return Written(name, RegSetValueExW(key_.Get(), Utf16FromUtf8(name).c_str(), 0, REG_DWORD,
                                        reinterpret_cast<const BYTE*>(&data), sizeof data));
  }

  bool DeleteValue(const std::string& name) override {
    LONG rc = RegDeleteValueW(key_.Get(), Utf16FromUtf8(name).c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
  }

  std::vector<std::string> SubKeyNames() override {
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
      // The size counts UTF-16 units, the longest name's 255 and its NUL.
      wchar_t name[kLongestKeyName + 1];
      DWORD size = kLongestKeyName + 1;
      const LONG rc =
          RegEnumKeyExW(key_.Get(), index, name, &size, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_MORE_DATA) continue;  // longer than any key's name: skip it
      if (rc != ERROR_SUCCESS) break;
      names.push_back(Utf8FromUtf16(std::wstring_view(name, size)));
    }
    return names;
  }

 private:
  static bool Written(const std::string& name, LONG rc) {
    if (rc != ERROR_SUCCESS) win32::TraceFailedCall("RegSetValueExW", name, rc);
    return rc == ERROR_SUCCESS;
  }

  win32::RegistryKeyHandle key_;
};

// RegDeleteTree needs Vista, and the toolchain's runtime still starts on XP: the tree is walked
// here.
bool DeleteTree(HKEY parent, const wchar_t* path) {
  win32::RegistryKeyHandle key;
  if (RegOpenKeyExW(parent, path, 0, KEY_ALL_ACCESS, key.Put()) == ERROR_SUCCESS) {
    wchar_t name[kLongestKeyName + 1];
    for (;;) {
      DWORD size = kLongestKeyName + 1;
      if (RegEnumKeyExW(key.Get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS)
        break;
      if (!DeleteTree(key.Get(), name)) break;
    }
    key.Reset();
  }
  LONG rc = RegDeleteKeyW(parent, path);
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::OpenKey(RegistryRoot root, const std::string& path) {
  win32::RegistryKeyHandle key;
  if (RegOpenKeyExW(RootHandle(root), KeyPath(path).c_str(), 0, KEY_READ, key.Put()) !=
      ERROR_SUCCESS)
    return nullptr;
  return std::make_unique<Win32Key>(std::move(key));
}

std::unique_ptr<RegistryKey> Win32Registry::CreateKey(RegistryRoot root, const std::string& path) {
  win32::RegistryKeyHandle key;
  const LONG rc =
      RegCreateKeyExW(RootHandle(root), KeyPath(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, key.Put(), nullptr);
  if (rc != ERROR_SUCCESS) {
    win32::TraceFailedCall("RegCreateKeyExW", path, rc);
    return nullptr;
  }
  return std::make_unique<Win32Key>(std::move(key));
}

bool Win32Registry::DeleteKeyTree(RegistryRoot root, const std::string& path) {
  const std::wstring relative = KeyPath(path);
  if (relative.empty()) return false;  // never the root itself
  return DeleteTree(RootHandle(root), relative.c_str());
}

// RegDeleteKey takes a key's values with it (and, where the registry is older, its sub-keys
// too): a key that still holds either stays.
bool Win32Registry::DeleteKeyIfEmpty(RegistryRoot root, const std::string& path) {
  const std::wstring relative = KeyPath(path);
  if (relative.empty()) return false;
  win32::RegistryKeyHandle key;
  if (RegOpenKeyExW(RootHandle(root), relative.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
    return true;
  DWORD subKeys = 1, values = 1;
  LONG rc = RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                             &values, nullptr, nullptr, nullptr, nullptr);
  key.Reset();
  if (rc != ERROR_SUCCESS || subKeys != 0 || values != 0) return false;
  rc = RegDeleteKeyW(RootHandle(root), relative.c_str());
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

}  // namespace setup
