#include "SelfRemoval.h"

#include <windows.h>

#include <wincrypt.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "RemovalExecutor.h"
#include "platform/win32/ProgramStart.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Owned.h"

namespace setup {
namespace {

// The size GetTempPath asks for counts UTF-16 units with the NUL; the folder of a user whose
// name is long may exceed MAX_PATH.
std::string TempFolder() {
  std::wstring folder(MAX_PATH + 1, L'\0');
  DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  if (length >= folder.size()) {
    folder.assign(length, L'\0');
    length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  }
  if (length == 0 || length >= folder.size()) return {};
  folder.resize(length);
  return Utf8FromUtf16(folder);
}

constexpr const char* kCopyFolderPrefix = "~UnInstall-";
constexpr const char* kCopyName = "UnInstall.EXE";

// 128 bits from the system's random source as hexadecimal text; empty when it has none.
std::string RandomName() {
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL,
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
    if (CreateDirectoryW(Utf16FromUtf8(folder).c_str(), nullptr)) return folder;
  }
  return {};
}

// The copy's folder is removed only when it is such a folder, whatever the command line says:
// the temporary folder's path, the prefix, 32 hexadecimal digits and a backslash.
bool IsCopyFolder(const std::string& folder) {
  const std::string temp = TempFolder();
  if (temp.empty()) return false;
  const std::wstring prefix = Utf16FromUtf8(temp + kCopyFolderPrefix);
  const std::wstring wide = Utf16FromUtf8(folder);
  const int prefixLength = static_cast<int>(prefix.size());
  return wide.size() == prefix.size() + 33 &&
         CompareStringW(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, wide.c_str(), prefixLength,
                        prefix.c_str(), prefixLength) == CSTR_EQUAL &&
         wide.back() == L'\\';
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void RemoveCopy(const std::string& copy, const std::string& folder) {
  DeleteFileW(Utf16FromUtf8(copy).c_str());
  RemoveDirectoryW(Utf16FromUtf8(folder).c_str());
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
  if (!CopyFileW(Utf16FromUtf8(ProgramPath()).c_str(), Utf16FromUtf8(copy).c_str(), TRUE)) {
    RemoveDirectoryW(Utf16FromUtf8(copyFolder).c_str());
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
  // CreateProcessW may write into the command line.
  const std::wstring wide = Utf16FromUtf8(command);
  std::vector<wchar_t> line(wide.begin(), wide.end());
  line.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  // The copy works in the temporary folder, not in its own: a process's current folder cannot
  // be removed.
  if (!CreateProcessW(Utf16FromUtf8(copy).c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      Utf16FromUtf8(temp).c_str(), &startup, &process)) {
    RemoveCopy(copy, copyFolder);
    return false;
  }
  win32::Handle thread(process.hThread), child(process.hProcess);
  return true;
}

int RunCleanup(const std::vector<std::string>& arguments) {
  if (arguments.size() < 4) return 2;
  {
    const win32::Handle original(reinterpret_cast<HANDLE>(
        static_cast<std::uintptr_t>(std::strtoull(arguments[2].c_str(), nullptr, 10))));
    WaitForSingleObject(original.Get(), INFINITE);
  }
  const std::string& selfPath = arguments[3];
  const std::vector<std::string> folders(arguments.begin() + 4, arguments.end());
  Win32FileSystem files;
  // The image of a process that has just ended can stay locked for a moment.
  for (int attempt = 0; attempt < 50 && files.FileExists(selfPath); ++attempt) {
    if (files.RemoveFile(selfPath)) break;
    Sleep(100);
  }
  std::vector<RemovalProblem> problems = RemoveUninstaller(selfPath, folders, files);
  // A running program cannot delete its own file, so the copy and then its folder go at the
  // next restart, in that order.
  const std::string self = ProgramPath();
  MoveFileExW(Utf16FromUtf8(self).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  const std::string folder = FolderOf(self);
  if (IsCopyFolder(folder))
    MoveFileExW(Utf16FromUtf8(folder).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return problems.empty() ? 0 : 1;
}

}  // namespace setup
