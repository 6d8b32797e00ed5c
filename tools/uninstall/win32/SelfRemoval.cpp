#include "SelfRemoval.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "RemovalExecutor.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Owned.h"

namespace setup {
namespace {

std::string ModulePath() {
  char buffer[MAX_PATH * 2];
  DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

std::string TempFolder() {
  char folder[MAX_PATH + 1];
  DWORD length = GetTempPathA(sizeof folder, folder);
  return length > 0 && length < sizeof folder ? std::string(folder, length) : std::string();
}

std::string TempCopyPath(const std::string& tempFolder) {
  return tempFolder + "~UnInstall" + std::to_string(GetCurrentProcessId()) + ".EXE";
}

// The C runtime reads a backslash before a quote as an escaped quote: a folder's trailing
// backslash is doubled so that it stays a backslash.
std::string Quoted(const std::string& text) {
  bool backslash = !text.empty() && text.back() == '\\';
  return "\"" + text + (backslash ? "\\\"" : "\"");
}

}  // namespace

bool StartSelfRemoval(const RemovalPlan& plan) {
  const std::string temp = TempFolder();
  const std::string copy = TempCopyPath(temp);
  if (temp.empty() || !CopyFileA(ModulePath().c_str(), copy.c_str(), FALSE)) return false;
  // An inherited handle of this process: the copy waits on exactly this process, with no race
  // on a reused process id.
  win32::Handle self;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), self.Put(),
                       SYNCHRONIZE, TRUE, 0)) {
    DeleteFileA(copy.c_str());
    return false;
  }
  std::string command = Quoted(copy) + " /cleanup " +
                        std::to_string(reinterpret_cast<std::uintptr_t>(self.Get())) + " " +
                        Quoted(plan.selfPath);
  for (const std::string& folder : plan.selfFolders) command += " " + Quoted(folder);
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  // The copy works in the temporary folder: a process's current folder cannot be removed.
  if (!CreateProcessA(copy.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, temp.c_str(),
                      &startup, &process)) {
    DeleteFileA(copy.c_str());
    return false;
  }
  win32::Handle thread(process.hThread), child(process.hProcess);
  return true;
}

int RunCleanup(int argc, char** argv) {
  if (argc < 4) return 2;
  {
    const win32::Handle original(
        reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::strtoull(argv[2], nullptr, 10))));
    WaitForSingleObject(original.Get(), INFINITE);
  }
  const std::string selfPath = argv[3];
  std::vector<std::string> folders(argv + 4, argv + argc);
  Win32FileSystem files;
  // The image of a process that has just ended can stay locked for a moment.
  for (int attempt = 0; attempt < 50 && files.FileExists(selfPath); ++attempt) {
    if (files.RemoveFile(selfPath)) break;
    Sleep(100);
  }
  std::vector<RemovalProblem> problems = RemoveUninstaller(selfPath, folders, files);
  MoveFileExA(ModulePath().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return problems.empty() ? 0 : 1;
}

}  // namespace setup
