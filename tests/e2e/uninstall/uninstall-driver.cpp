// Starts a command line the way Windows starts an uninstall registration's UninstallString
// (CreateProcess with no application name), answers its message boxes in turn, and writes
// what each box said to a report file.
//   uninstall-driver.exe REPORT "COMMAND LINE" ANSWER...   (ANSWER: yes, no or ok)
// Exit code: the program's exit code, or 90 and up when the driver itself failed.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/win32/ProgramStart.h"
#include "platform/win32/WideText.h"

namespace {

// A wait, not a limit: on a loaded machine a large removal outlasted 30 s before its last box.
constexpr DWORD kBoxTimeoutMs = 120000;

struct BoxSearch {
  DWORD processId;
  HWND box;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<BoxSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  if (owner == search->processId && std::wcscmp(className, L"#32770") == 0 &&
      IsWindowVisible(window)) {
    search->box = window;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForBox(DWORD processId, HANDLE process) {
  for (DWORD waited = 0; waited < kBoxTimeoutMs; waited += 100) {
    BoxSearch search{processId, nullptr};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    if (search.box) return search.box;
    if (WaitForSingleObject(process, 100) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

// In UTF-8, whatever the machine's code page.
std::string WindowText(HWND window) {
  wchar_t text[4096] = {};
  GetWindowTextW(window, text, 4096);
  return setup::Utf8FromUtf16(text);
}

int ButtonId(const std::string& answer) {
  if (answer == "yes") return IDYES;
  if (answer == "no") return IDNO;
  return IDOK;
}

// One box: its caption and its text (the static control 0xFFFF of a message box), CR LF kept.
void Report(std::FILE* report, HWND box) {
  std::fprintf(report, "CAPTION %s\r\n", WindowText(box).c_str());
  HWND text = GetDlgItem(box, 0xFFFF);
  std::fprintf(report, "TEXT %s\r\nEND\r\n", text ? WindowText(text).c_str() : "");
  std::fflush(report);
}

}  // namespace

int main() {
  // Read in UTF-16: the command line may name a folder of any script.
  const std::vector<std::string> args = setup::ProgramArguments();
  const int argc = static_cast<int>(args.size());
  if (argc < 3) return 90;
  std::FILE* report = _wfopen(setup::Utf16FromUtf8(args[1]).c_str(), L"wb");
  if (!report) return 91;
  const std::wstring commandLine = setup::Utf16FromUtf8(args[2]);
  std::vector<wchar_t> command(commandLine.begin(), commandLine.end());
  command.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::fprintf(report, "START FAILED %lu\r\n", GetLastError());
    return 92;
  }
  CloseHandle(process.hThread);
  int rc = 0;
  for (int i = 3; i < argc && rc == 0; ++i) {
    HWND box = WaitForBox(process.dwProcessId, process.hProcess);
    if (!box) {
      std::fprintf(report, "NO BOX for answer %d (%s)\r\n", i - 2, args[i].c_str());
      rc = 93;
      break;
    }
    Report(report, box);
    int id = ButtonId(args[i]);
    HWND button = GetDlgItem(box, id);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    // Wait until this box is gone before looking for the next one.
    for (int t = 0; t < 100 && IsWindow(box) && IsWindowVisible(box); ++t) Sleep(50);
  }
  if (rc == 0 && WaitForSingleObject(process.hProcess, kBoxTimeoutMs) != WAIT_OBJECT_0) {
    BoxSearch search{process.dwProcessId, nullptr};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    if (search.box) Report(report, search.box);
    std::fprintf(report, "STILL RUNNING\r\n");
    TerminateProcess(process.hProcess, 99);
    rc = 94;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  std::fprintf(report, "EXIT %lu\r\n", code);
  std::fclose(report);
  return rc ? rc : static_cast<int>(code);
}
