#include "platform/win32/ProgramStart.h"

#include <windows.h>

#include <shellapi.h>

#include "platform/win32/WideText.h"

namespace setup {

std::string ProgramPath() {
  // A path may be 32767 UTF-16 units long; the buffer grows until the name fits (a cut name
  // fills the whole buffer).
  constexpr DWORD kLongest = 32768;
  for (DWORD size = MAX_PATH + 1;; size = size < kLongest / 2 ? size * 2 : kLongest) {
    std::wstring path(size, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), size);
    if (length == 0) return {};
    if (length < size) return Utf8FromUtf16(std::wstring_view(path.data(), length));
    if (size == kLongest) return {};
  }
}

std::vector<std::string> ProgramArguments() {
  std::vector<std::string> arguments;
  int count = 0;
  wchar_t** split = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!split) return arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(Utf8FromUtf16(split[i]));
  LocalFree(split);
  return arguments;
}

}  // namespace setup
