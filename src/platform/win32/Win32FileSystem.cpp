#include "platform/win32/Win32FileSystem.h"

#include <windows.h>

#include "platform/Error.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Owned.h"
#include "platform/win32/Win32Trace.h"
#include "text/FolderPath.h"
#include "text/Utf8.h"

namespace setup {
namespace {

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

// The longest part of the path that exists, with each name in its long form, then the rest as
// given: a folder the log names may be gone already, its parents not.
std::wstring LongForm(const std::wstring& path) {
  std::wstring head = path, tail;
  while (head.size() > 3) {
    const DWORD size = GetLongPathNameW(head.c_str(), nullptr, 0);
    if (size > 0) {
      std::wstring buffer(size, L'\0');
      const DWORD got = GetLongPathNameW(head.c_str(), &buffer[0], size);
      if (got > 0 && got < size) return buffer.substr(0, got) + tail;
    }
    const std::size_t cut = head.find_last_of(L'\\', head.size() - 2);
    if (cut == std::wstring::npos) break;
    tail = head.substr(cut + 1) + tail;
    head.resize(cut + 1);
  }
  return path;
}

// The key two paths are compared by: the UTF-8 of the text with every letter folded as the file
// system folds names, by the rule the simulated Windows follows too, so that "J\303\266rg" and
// "J\303\226RG" meet as they do on disk.
std::string UpperKey(const std::wstring& wide) {
  return FoldPathCase(Utf8FromUtf16(wide));
}

std::wstring FullPath(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return {};
  std::wstring full(size, L'\0');
  const DWORD got = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
  return got > 0 && got < size ? full.substr(0, got) : std::wstring();
}

// Where the folders below the drive or share begin: after "X:\" or "\\server\share\".
std::size_t RootLength(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':') return 3;
  if (path.compare(0, 2, "\\\\") != 0) return 0;
  const std::size_t server = path.find('\\', 2);
  const std::size_t share = server == std::string::npos ? server : path.find('\\', server + 1);
  return share == std::string::npos ? path.size() : share + 1;
}

// Windows Vista and later; looked up so that the program still starts on XP, where removal
// falls back to checking each folder on the way before deleting by name.
using GetFinalPathFunction = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
using SetInformationFunction = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);

struct HandleDeletion {
  GetFinalPathFunction finalPath = nullptr;
  SetInformationFunction setInformation = nullptr;
};

const HandleDeletion& HandleDeletionCalls() {
  static const HandleDeletion calls = [] {
    HandleDeletion found;
    // kernel32 is always mapped: asking for its handle loads nothing from anywhere.
    if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
      found.finalPath = reinterpret_cast<GetFinalPathFunction>(
          reinterpret_cast<void*>(GetProcAddress(kernel, "GetFinalPathNameByHandleW")));
      found.setInformation = reinterpret_cast<SetInformationFunction>(
          reinterpret_cast<void*>(GetProcAddress(kernel, "SetFileInformationByHandle")));
    }
    return found;
  }();
  return calls;
}

std::wstring FinalPathOf(HANDLE entry) {
  const GetFinalPathFunction finalPath = HandleDeletionCalls().finalPath;
  wchar_t buffer[1024];
  const DWORD got = finalPath(entry, buffer, 1024, 0);  // normalized, with the drive letter
  if (got > 0 && got < 1024) return std::wstring(buffer, got);
  if (got < 1024) return {};
  std::wstring large(got, L'\0');
  const DWORD again = finalPath(entry, &large[0], got, 0);
  return again > 0 && again < got ? large.substr(0, again) : std::wstring();
}

// Whether the entry the handle holds is the one full names, reached through no junction or link:
// the handle was opened on the entry itself, so its final path is where that entry really lies.
bool ReachedAsNamed(HANDLE entry, const std::wstring& full) {
  const std::string fullKey = UpperKey(LongForm(full));
  const std::string fullText = Utf8FromUtf16(full);
  const std::size_t rootLength = RootLength(fullText);
  if (rootLength == 0) return false;
  std::wstring root = Utf16FromUtf8(std::string_view(fullText).substr(0, rootLength));
  if (root.back() != L'\\') root += L'\\';
  // The root is followed where it leads: a substituted or mapped drive is where it is meant to be.
  const win32::Handle rootHandle(CreateFileW(
      root.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!rootHandle) return false;
  return FinalPathMatches(UpperKey(FinalPathOf(entry)), UpperKey(FinalPathOf(rootHandle.Get())),
                          fullKey);
}

// Marks the entry for deletion through a handle opened on the entry itself, never on what it
// points at, and only when that entry lies where the path names it: a folder on the way that was
// swapped for a junction, before or while this runs, leaves the handle elsewhere and nothing is
// deleted. The entry goes when the handle closes, on return. Nothing when the calls are missing
// (Windows XP).
std::optional<bool> RemoveThroughHandle(const std::string& path, bool folder) {
  const HandleDeletion& calls = HandleDeletionCalls();
  if (!calls.finalPath || !calls.setInformation) return std::nullopt;
  const std::wstring full = FullPath(Utf16FromUtf8(path));
  if (full.empty()) return false;
  const win32::Handle entry(
      CreateFileW(full.c_str(), DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!entry) {
    win32::TraceFailedCall("CreateFileW", path);
    return false;
  }
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(entry.Get(), &information)) return false;
  const bool isFolder = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (isFolder != folder) return false;
  if (!ReachedAsNamed(entry.Get(), full)) {
    win32::TraceFailedCall("GetFinalPathNameByHandleW", path + " lies elsewhere",
                           ERROR_CANT_ACCESS_FILE);
    return false;
  }
  // A folder that still holds anything refuses this, as RemoveDirectory does.
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  if (!calls.setInformation(entry.Get(), FileDispositionInfo, &disposition, sizeof disposition)) {
    win32::TraceFailedCall("SetFileInformationByHandle", path);
    return false;
  }
  return true;
}

// Whether a folder on the way to path, below its drive or share, is a junction or a symbolic
// link: the check of Windows without the handle calls, which leaves a moment between the check
// and the deletion.
bool ThroughReparsePoint(const std::string& path) {
  const std::string entry = WithoutTrailingSeparators(path);
  for (std::size_t at = entry.find('\\', RootLength(entry)); at != std::string::npos;
       at = entry.find('\\', at + 1)) {
    const DWORD attributes =
        GetFileAttributesW(Utf16FromUtf8(std::string_view(entry).substr(0, at)).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      return true;
  }
  return false;
}

class Win32OutputFile : public OutputFile {
 public:
  explicit Win32OutputFile(win32::Handle file) : file_(std::move(file)) {}

  void Append(const std::uint8_t* data, std::size_t size) override {
    while (size > 0) {
      DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
      DWORD written = 0;
      if (!WriteFile(file_.Get(), data, chunk, &written, nullptr) || written == 0) {
        const DWORD error = GetLastError();
        win32::TraceFailedCall("WriteFile", std::to_string(chunk) + " bytes", error);
        throw SetupError("Stream write error");
      }
      data += written;
      size -= written;
    }
  }

 private:
  win32::Handle file_;
};

}  // namespace

bool Win32FileSystem::DirectoryExists(const std::string& path) {
  DWORD attributes = GetFileAttributesW(Utf16FromUtf8(WithoutTrailingSeparators(path)).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesW(Utf16FromUtf8(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Climbs through a doubled backslash as Windows' own path handling does (a %S that already ends
// in one gives "%S\\sub"), and only as far as a drive root or a UNC share.
bool Win32FileSystem::CreateDirectories(const std::string& path) {
  const std::string folder = WithoutTrailingSeparators(path);
  if (folder.empty() || DirectoryExists(folder)) return !folder.empty();
  const std::string parent = ParentFolder(folder);
  if (!parent.empty()) CreateDirectories(parent);
  if (CreateDirectoryW(Utf16FromUtf8(folder).c_str(), nullptr)) return true;
  win32::TraceFailedCall("CreateDirectoryW", folder);
  return DirectoryExists(folder);  // made meanwhile by someone else, or a file of that name
}

std::unique_ptr<OutputFile> Win32FileSystem::CreateFileExclusive(const std::string& path) {
  win32::Handle file(CreateFileW(Utf16FromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    win32::TraceFailedCall("CreateFileW", path);
    return nullptr;
  }
  return std::make_unique<Win32OutputFile>(std::move(file));
}

bool Win32FileSystem::RemoveFile(const std::string& path) {
  if (!FileExists(path)) return true;
  if (const std::optional<bool> marked = RemoveThroughHandle(path, false))
    return *marked && !FileExists(path);
  if (ThroughReparsePoint(path)) return false;
  DeleteFileW(Utf16FromUtf8(path).c_str());  // a symbolic link goes itself, never its target
  return !FileExists(path);
}

bool Win32FileSystem::RemoveEmptyFolder(const std::string& path) {
  std::string folder = WithoutTrailingSeparators(path);
  if (!DirectoryExists(folder)) return true;
  if (const std::optional<bool> marked = RemoveThroughHandle(folder, true))
    return *marked && !DirectoryExists(folder);
  if (ThroughReparsePoint(folder)) return false;
  // Fails on a folder that still holds anything; a junction goes as the link it is, whatever
  // its target holds.
  RemoveDirectoryW(Utf16FromUtf8(folder).c_str());
  return !DirectoryExists(folder);
}

std::optional<std::string> Win32FileSystem::ReadFileBytes(const std::string& path) {
  const win32::Handle file(CreateFileW(Utf16FromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) && got > 0)
    bytes.append(buffer, got);
  if (!ok) return std::nullopt;
  return bytes;
}

std::string Win32FileSystem::ComparisonKey(const std::string& path) {
  const std::string key = UpperKey(LongForm(Utf16FromUtf8(path)));
  return key.empty() ? FoldPathCase(path) : key;
}

// The byte pairs of a Japanese or Chinese log decode as the system that wrote them read them.
std::string Win32FileSystem::Utf8FromAnsi(const std::string& bytes) {
  return Utf8FromAnsiCodePage(bytes);
}

}  // namespace setup
