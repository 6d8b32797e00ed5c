// A program planted beside setup.exe under a system program's name (NOTEPAD.EXE): when anything
// starts it, it leaves PLANTED-RAN.txt beside itself with its command line in UTF-8, and ends.
#include <windows.h>

#include <string>

#include "platform/win32/ProgramStart.h"
#include "platform/win32/WideText.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::string marker = setup::ProgramPath();
  if (marker.empty()) return 1;
  marker = marker.substr(0, marker.find_last_of('\\') + 1) + "PLANTED-RAN.txt";
  HANDLE file = CreateFileW(setup::Utf16FromUtf8(marker).c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const std::string commandLine = setup::Utf8FromUtf16(GetCommandLineW());
  DWORD written = 0;
  WriteFile(file, commandLine.data(), static_cast<DWORD>(commandLine.size()), &written, nullptr);
  CloseHandle(file);
  return 0;
}
