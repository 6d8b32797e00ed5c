#include "platform/win32/Win32Disk.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/WideText.h"
#include "platform/win32/Win32Owned.h"
#include "text/FolderPath.h"
#include "text/ScriptText.h"

namespace setup {

bool Win32Disk::GetDiskSpace(const std::string& root, DiskSpace& space) {
  ULARGE_INTEGER available, total, free;
  if (!GetDiskFreeSpaceExW(Utf16FromUtf8(root).c_str(), &available, &total, &free)) return false;
  space.freeBytes = available.QuadPart;
  space.totalBytes = total.QuadPart;
  return true;
}

std::vector<std::string> Win32Disk::ListDrives() {
  std::vector<std::string> drives;
  DWORD mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (mask & (1u << i)) drives.push_back(std::string(1, char('A' + i)) + ":\\");
  }
  return drives;
}

std::vector<std::string> Win32Disk::ListSubFolders(const std::string& folder) {
  std::string pattern = folder;
  EnsureTrailingBackslash(pattern);
  pattern += '*';
  std::vector<std::string> names;
  WIN32_FIND_DATAW data;
  const win32::FindHandle find(FindFirstFileW(Utf16FromUtf8(pattern).c_str(), &data));
  if (!find) return names;
  do {
    const std::wstring_view name = data.cFileName;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
      names.push_back(Utf8FromUtf16(name));
  } while (FindNextFileW(find.Get(), &data));
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return ToUpperAscii(a) < ToUpperAscii(b);
  });
  return names;
}

}  // namespace setup
