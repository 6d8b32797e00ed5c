// A program planted beside setup.exe under a system program's name (NOTEPAD.EXE): when anything
// starts it, it leaves PLANTED-RAN.txt beside itself with its command line, and ends.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  char path[MAX_PATH * 2];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) return 1;
  std::string marker(path, length);
  marker = marker.substr(0, marker.find_last_of('\\') + 1) + "PLANTED-RAN.txt";
  HANDLE file = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, commandLine, lstrlenA(commandLine), &written, nullptr);
  CloseHandle(file);
  return 0;
}
