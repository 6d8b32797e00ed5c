#include "platform/win32/ProcessGuard.h"

#include <windows.h>

namespace setup {
namespace {

// Not in the headers of older SDKs, and not in kernel32 before Windows 8 (or 7 with KB2533623).
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
// Windows XP SP1 and later; looked up too, so that older Windows still start the program.
using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCWSTR);

}  // namespace

void GuardProcess() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  // kernel32 is always mapped: asking for its handle loads nothing from anywhere.
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return;
  auto setDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDirectories && setDirectories(kSearchSystem32)) return;
  // Without it (Windows before 7 with KB2533623), at least take the current folder out of the
  // search, where a download folder may hold a planted DLL.
  auto setDirectory = reinterpret_cast<SetDllDirectoryFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryW")));
  if (setDirectory) setDirectory(L"");
}

}  // namespace setup
