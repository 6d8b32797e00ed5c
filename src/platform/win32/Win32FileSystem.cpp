#include "platform/win32/Win32FileSystem.h"

#include <windows.h>

#include "platform/Error.h"
#include "platform/win32/Win32Owned.h"
#include "platform/win32/Win32Trace.h"
#include "text/FolderPath.h"
#include "text/ScriptText.h"

namespace setup {
namespace {

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

// Where the folders below the drive or share begin: after "X:\" or "\\server\share\".
std::size_t RootLength(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':') return 3;
  if (path.compare(0, 2, "\\\\") != 0) return 0;
  const std::size_t server = path.find('\\', 2);
  const std::size_t share = server == std::string::npos ? server : path.find('\\', server + 1);
  return share == std::string::npos ? path.size() : share + 1;
}

// Whether a folder on the way to path, below its drive or share, is a junction or a symbolic
// link. Removing through one would reach whatever it points at, outside the installation; the
// entry itself may be one, and is then removed as the link it is.
bool ThroughReparsePoint(const std::string& path) {
  const std::string entry = WithoutTrailingSeparators(path);
  for (std::size_t at = entry.find('\\', RootLength(entry)); at != std::string::npos;
       at = entry.find('\\', at + 1)) {
    const DWORD attributes = GetFileAttributesA(entry.substr(0, at).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      return true;
  }
  return false;
}

std::wstring Widened(const std::string& text, UINT codePage) {
  const int size =
      MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(size > 0 ? size : 0, L'\0');
  if (size > 0)
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
  return wide;
}

std::string Narrowed(const std::wstring& wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string text(size > 0 ? size : 0, '\0');
  if (size > 0)
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0], size,
                        nullptr, nullptr);
  return text;
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
  DWORD attributes = GetFileAttributesA(WithoutTrailingSeparators(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Climbs through a doubled backslash as Windows' own path handling does (a %S that already ends
// in one gives "%S\\sub"), and only as far as a drive root or a UNC share.
bool Win32FileSystem::CreateDirectories(const std::string& path) {
  const std::string folder = WithoutTrailingSeparators(path);
  if (folder.empty() || DirectoryExists(folder)) return !folder.empty();
  const std::string parent = ParentFolder(folder);
  if (!parent.empty()) CreateDirectories(parent);
  if (CreateDirectoryA(folder.c_str(), nullptr)) return true;
  win32::TraceFailedCall("CreateDirectoryA", folder);
  return DirectoryExists(folder);  // made meanwhile by someone else, or a file of that name
}

std::unique_ptr<OutputFile> Win32FileSystem::CreateFileExclusive(const std::string& path) {
  win32::Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    win32::TraceFailedCall("CreateFileA", path);
    return nullptr;
  }
  return std::make_unique<Win32OutputFile>(std::move(file));
}

bool Win32FileSystem::RemoveFile(const std::string& path) {
  if (!FileExists(path)) return true;
  if (ThroughReparsePoint(path)) return false;
  DeleteFileA(path.c_str());  // a symbolic link goes itself, never its target
  return !FileExists(path);
}

bool Win32FileSystem::RemoveEmptyFolder(const std::string& path) {
  std::string folder = WithoutTrailingSeparators(path);
  if (!DirectoryExists(folder)) return true;
  if (ThroughReparsePoint(folder)) return false;
  // Fails on a folder that still holds anything; a junction goes as the link it is, whatever
  // its target holds.
  RemoveDirectoryA(folder.c_str());
  return !DirectoryExists(folder);
}

std::optional<std::string> Win32FileSystem::ReadFileBytes(const std::string& path) {
  const win32::Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
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

// The key is UTF-8 of the long form upper-cased by the system's own table (the invariant
// locale's, which NTFS's names follow), so that "J\366rg" and "J\326RG" meet as they do on disk.
std::string Win32FileSystem::ComparisonKey(const std::string& path) {
  std::wstring wide = LongForm(Widened(path, CP_ACP));
  if (wide.empty()) return FoldWindows1252(path);
  std::wstring upper(wide.size(), L'\0');
  const int got =
      LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, wide.c_str(), static_cast<int>(wide.size()),
                   &upper[0], static_cast<int>(upper.size()));
  return got == static_cast<int>(wide.size()) ? Narrowed(upper) : FoldWindows1252(path);
}

}  // namespace setup
