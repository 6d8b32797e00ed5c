#include "platform/win32/Win32Disk.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/Win32Owned.h"
#include "text/FolderPath.h"
#include "text/ScriptText.h"

namespace setup {
namespace {

using GetDiskFreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER,
                                           PULARGE_INTEGER);

}  // namespace

bool Win32Disk::GetDiskSpace(const std::string& root, DiskSpace& space) {
  // The Ex function is missing on the first Windows 95 release; look it up rather than import it.
  auto ex = reinterpret_cast<GetDiskFreeSpaceExFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA")));
  DiskSpaceQuery extended;
  if (ex) {
    extended = [&](DiskSpace& asked) {
      ULARGE_INTEGER available, total, free;
      if (!ex(root.c_str(), &available, &total, &free)) return false;
      asked.freeBytes = available.QuadPart;
      asked.totalBytes = total.QuadPart;
      return true;
    };
  }
  return AskDiskSpace(
      extended,
      [&](DiskSpace& asked) {
        DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
        if (!GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                               &clusters))
          return false;
        const std::uint64_t cluster = std::uint64_t(sectorsPerCluster) * bytesPerSector;
        asked.freeBytes = cluster * freeClusters;
        asked.totalBytes = cluster * clusters;
        return true;
      },
      space);
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
  WIN32_FIND_DATAA data;
  const win32::FindHandle find(FindFirstFileA(pattern.c_str(), &data));
  if (!find) return names;
  do {
    std::string name = data.cFileName;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
      names.push_back(name);
  } while (FindNextFileA(find.Get(), &data));
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return ToUpperAscii(a) < ToUpperAscii(b);
  });
  return names;
}

}  // namespace setup
