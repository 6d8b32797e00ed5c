#include "script/Paths.h"

#include <vector>

#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup {
namespace {

bool IsDriveLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The part that ".." never takes away, and where the names after it start: "C:\" for a drive
// path, "\\server\share\" for a server path, nothing for anything else.
std::size_t RootLength(const std::string& path) {
  if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && path[2] == '\\') return 3;
  if (path.rfind("\\\\", 0) != 0) return 0;
  std::size_t server = path.find('\\', 2);
  if (server == std::string::npos || server == 2) return 0;
  std::size_t share = path.find('\\', server + 1);
  if (share == std::string::npos) return path.size();
  return share == server + 1 ? 0 : share + 1;
}

std::vector<std::string> SplitNames(const std::string& text) {
  std::vector<std::string> names(1);
  for (char c : text) {
    if (c == '\\') {
      names.emplace_back();
    } else {
      names.back() += c;
    }
  }
  return names;
}

bool IsReservedDeviceName(const std::string& name) {
  std::string base = ToUpperAscii(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (base == device) return true;
  if (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0) return false;
  // COM0 to COM9 and with the superscript digits 1, 2 and 3.
  const std::string digit = base.substr(3);
  return (digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9') || digit == "¹" ||
         digit == "²" || digit == "³";
}

bool IsNameCharacter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte < 32) return false;
  for (char bad : {'<', '>', ':', '"', '/', '|', '?', '*'})
    if (c == bad) return false;
  return true;
}

}  // namespace

std::string FolderPart(const std::string& path) {
  const std::size_t last = path.find_last_of("\\/:");
  return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

std::string FoldPath(const std::string& path) {
  std::string text = path;
  for (char& c : text)
    if (c == '/') c = '\\';
  const bool server = text.rfind("\\\\", 0) == 0;
  std::string collapsed = server ? "\\\\" : "";
  for (std::size_t i = server ? 2 : 0; i < text.size(); ++i)
    if (text[i] != '\\' || collapsed.empty() || collapsed.back() != '\\') collapsed += text[i];
  std::size_t root = RootLength(collapsed);
  // What ".." cannot climb above: a full path's drive or share, or the current drive's root of
  // "\x"; a drive-relative "C:x" keeps its drive and, like a relative path, the steps it cannot
  // take back. A server without a share names nothing yet and stays as it is.
  bool climbs = root > 0;
  if (root == 0 && server) return collapsed;
  if (root == 0 && !collapsed.empty() && collapsed[0] == '\\') {
    root = 1;
    climbs = true;
  } else if (root == 0 && collapsed.size() >= 2 && IsDriveLetter(collapsed[0]) &&
             collapsed[1] == ':') {
    root = 2;
  }
  if (root == collapsed.size()) return collapsed;
  const bool folder = collapsed.back() == '\\';
  std::vector<std::string> kept;
  for (std::string name : SplitNames(collapsed.substr(root))) {
    if (name == "..") {
      if (!kept.empty() && kept.back() != "..") {
        kept.pop_back();
      } else if (!climbs) {
        kept.push_back(name);  // a relative path keeps the steps it cannot take back
      }
      continue;
    }
    if (name == ".") continue;
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    if (!name.empty()) kept.push_back(name);
  }
  std::string folded = collapsed.substr(0, root);
  for (std::size_t i = 0; i < kept.size(); ++i) folded += (i ? "\\" : "") + kept[i];
  if (folder && !kept.empty()) folded += '\\';
  return folded;
}

PathFault CheckFullPath(const std::string& path) {
  if (path.rfind("\\\\?\\", 0) == 0 || path.rfind("\\\\.\\", 0) == 0 ||
      path.find('/') != std::string::npos)
    return PathFault::ForeignForm;
  const std::size_t root = RootLength(path);
  if (root == 0 || root >= path.size()) return PathFault::NotFull;
  if (Utf16Length(path) > kMaxPathLength) return PathFault::TooLong;
  std::vector<std::string> names = SplitNames(path.substr(root));
  if (path.back() == '\\') names.pop_back();  // the folder's trailing backslash
  // The server and share names are checked like the others.
  if (root > 3) {
    for (const std::string& name : SplitNames(path.substr(2, root - 3))) names.push_back(name);
  }
  for (const std::string& name : names) {
    if (name.empty() || name == "." || name == "..") return PathFault::ForeignForm;
    if (name.back() == '.' || name.back() == ' ') return PathFault::ForeignForm;
    for (char c : name)
      if (!IsNameCharacter(c)) return PathFault::ForeignForm;
  }
  for (const std::string& name : names)
    if (IsReservedDeviceName(name)) return PathFault::DeviceName;
  return PathFault::None;
}

bool IsInsideFolder(const std::string& path, const std::string& folder) {
  if (folder.empty() || folder.back() != '\\' || path.size() <= folder.size()) return false;
  return ToUpperAscii(path.substr(0, folder.size())) == ToUpperAscii(folder);
}

}  // namespace setup
