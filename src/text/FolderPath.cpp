#include "text/FolderPath.h"

#include <algorithm>

#include "text/ScriptText.h"

namespace setup {
namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// The length of the path's root with the separators behind it: "C:\" (or "C:" alone), "\\"
// followed by server and share, or a leading run of separators; 0 for a relative path.
std::size_t RootLength(const std::string& path) {
  std::size_t at = 0;
  if (path.size() >= 2 && path[1] == ':') {
    at = 2;
  } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    at = 2;
    for (int name = 0; name < 2; ++name) {
      while (at < path.size() && IsSeparator(path[at])) ++at;
      while (at < path.size() && !IsSeparator(path[at])) ++at;
    }
  }
  while (at < path.size() && IsSeparator(path[at])) ++at;
  return at;
}

// A server or share name: not empty. "\\.\" and "\\?\" open devices and
// raw paths, not a network share.
bool IsShareName(const std::string& name) {
  return !name.empty() && name != "." && name != "?";
}

// "\\?\C:\x" as "C:\x" and "\\?\UNC\server\share" as "\\server\share", every run of
// separators as one backslash and none at the end.
std::string PlainFinalPath(const std::string& path) {
  std::string plain = path;
  if (plain.rfind("\\\\?\\UNC\\", 0) == 0)
    plain = "\\\\" + plain.substr(8);
  else if (plain.rfind("\\\\?\\", 0) == 0)
    plain = plain.substr(4);
  std::string collapsed;
  for (std::size_t at = 0; at < plain.size(); ++at) {
    const bool separator = IsSeparator(plain[at]);
    if (separator && at >= 2 && !collapsed.empty() && collapsed.back() == '\\') continue;
    collapsed += separator ? '\\' : plain[at];
  }
  while (collapsed.size() > 2 && collapsed.back() == '\\') collapsed.pop_back();
  return collapsed;
}

}  // namespace

bool FinalPathMatches(const std::string& entryFinal, const std::string& rootFinal,
                      const std::string& fullPath) {
  const std::size_t root = RootLength(fullPath);
  if (root == 0 || entryFinal.empty() || rootFinal.empty()) return false;
  const std::string below = fullPath.substr(root);
  std::string expected = PlainFinalPath(rootFinal);
  if (!PlainFinalPath(below).empty()) expected += "\\" + PlainFinalPath(below);
  return PlainFinalPath(entryFinal) == PlainFinalPath(expected);
}

std::string ParentFolder(const std::string& folder) {
  std::size_t end = folder.size();
  while (end > 0 && IsSeparator(folder[end - 1])) --end;  // the folder's own trailing separators
  const std::size_t root = RootLength(folder);
  if (end <= root) return {};
  while (end > root && !IsSeparator(folder[end - 1])) --end;  // its name
  while (end > root && IsSeparator(folder[end - 1])) --end;   // the separators before it
  return end > root ? folder.substr(0, end) : std::string();
}

bool IsAbsoluteFolder(const std::string& folder) {
  if (folder.size() >= 3 && folder[1] == ':' && IsSeparator(folder[2])) {
    const char letter = folder[0];
    return (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
  }
  if (folder.rfind("\\\\", 0) != 0) return false;
  const std::size_t serverEnd = folder.find('\\', 2);
  if (serverEnd == std::string::npos) return false;
  const std::size_t shareEnd = std::min(folder.find('\\', serverEnd + 1), folder.size());
  return IsShareName(folder.substr(2, serverEnd - 2)) &&
         IsShareName(folder.substr(serverEnd + 1, shareEnd - serverEnd - 1));
}

void EnsureTrailingBackslash(std::string& path) {
  if (path.empty() || path.back() != '\\') path += '\\';
}

namespace {
constexpr std::string_view kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
constexpr std::string_view kNumberedDevices[] = {"COM", "LPT"};
}  // namespace

bool IsDeviceName(std::string_view component) {
  std::string base = ToUpperAscii(std::string(component.substr(0, component.find('.'))));
  base.erase(base.find_last_not_of(' ') + 1);
  for (std::string_view device : kDevices) {
    if (base == device) return true;
  }
  for (std::string_view device : kNumberedDevices) {
    if (base.size() == 4 && base.compare(0, 3, device) == 0 && base[3] >= '1' && base[3] <= '9')
      return true;
  }
  return false;
}

}  // namespace setup
