// The add-on's own setup program: writes the marker file korvalt.txt into its own folder, so
// that a test can see that the E line ran.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char path[MAX_PATH + 16];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  char* slash = std::strrchr(path, '\\');
  if (!slash) return 1;
  std::strcpy(slash + 1, "korvalt.txt");
  HANDLE file =
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const char text[] = "Korvalt add-on installed\r\n";
  DWORD written = 0;
  const BOOL ok = WriteFile(file, text, sizeof text - 1, &written, nullptr);
  CloseHandle(file);
  return ok ? 0 : 1;
}
