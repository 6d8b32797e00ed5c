#include "SelfRemoval.h"

#include <windows.h>

#include <wincrypt.h>

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

constexpr const char* kCopyFolderPrefix = "~UnInstall-";
constexpr const char* kCopyName = "UnInstall.EXE";

// 128 bits from the system's random source as hexadecimal text; empty when it has none.
std::string RandomName() {
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL,
                            CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
    return {};
  BYTE bytes[16];
  const bool got = CryptGenRandom(provider, sizeof bytes, bytes);
  CryptReleaseContext(provider, 0);
  if (!got) return {};
  std::string name;
  for (BYTE byte : bytes) {
    name += "0123456789abcdef"[byte >> 4];
    name += "0123456789abcdef"[byte & 15];
  }
  return name;
}

// A folder of the copy's own, made here, under a name nobody can know before: a fixed or
// predictable name in the temporary folder could be made beforehand by someone else, with a
// program or a DLL of theirs in it that the copy would then run or load. Creating the folder
// fails when the name exists, so a folder made here is always a new, empty one.
std::string CreateCopyFolder(const std::string& tempFolder) {
  for (int attempt = 0; attempt < 4; ++attempt) {
    const std::string name = RandomName();
    if (name.empty()) return {};
    const std::string folder = tempFolder + kCopyFolderPrefix + name + "\\";
    if (CreateDirectoryA(folder.c_str(), nullptr)) return folder;
  }
  return {};
}

// The copy's folder is removed only when it is such a folder, whatever the command line says.
bool IsCopyFolder(const std::string& folder) {
  const std::string temp = TempFolder();
  const std::string prefix = temp + kCopyFolderPrefix;
  return !temp.empty() && folder.size() == prefix.size() + 33 &&
         CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, folder.c_str(),
                        static_cast<int>(prefix.size()), prefix.c_str(),
                        static_cast<int>(prefix.size())) == CSTR_EQUAL &&
         folder.back() == '\\';
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void RemoveCopy(const std::string& copy, const std::string& folder) {
  DeleteFileA(copy.c_str());
  RemoveDirectoryA(folder.c_str());
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
  const std::string copyFolder = temp.empty() ? std::string() : CreateCopyFolder(temp);
  if (copyFolder.empty()) return false;
  const std::string copy = copyFolder + kCopyName;
  if (!CopyFileA(ModulePath().c_str(), copy.c_str(), TRUE)) {
    RemoveDirectoryA(copyFolder.c_str());
    return false;
  }
  // An inherited handle of this process: the copy waits on exactly this process, with no race
  // on a reused process id.
  win32::Handle self;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), self.Put(),
                       SYNCHRONIZE, TRUE, 0)) {
    RemoveCopy(copy, copyFolder);
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
  // The copy works in the temporary folder, not in its own: a process's current folder cannot
  // be removed.
  if (!CreateProcessA(copy.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, temp.c_str(),
                      &startup, &process)) {
    RemoveCopy(copy, copyFolder);
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
  // A running program cannot delete its own file, so the copy and then its folder go at the
  // next restart, in that order.
  const std::string self = ModulePath();
  MoveFileExA(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  const std::string folder = FolderOf(self);
  if (IsCopyFolder(folder)) MoveFileExA(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return problems.empty() ? 0 : 1;
}

}  // namespace setup
