#include "platform/sim/SimDrives.h"

#include <dirent.h>

#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "text/ScriptText.h"

namespace setup {
namespace {

std::vector<std::string> SplitComponents(const std::string& path) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : path) {
    if (c == '\\' || c == '/') {
      parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  parts.push_back(current);
  return parts;
}

// Windows drops trailing dots and blanks of every name ("a.txt " is "a.txt").
std::string TrimName(std::string name) {
  if (name == "." || name == "..") return name;
  while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.pop_back();
  return name;
}

// The entry of folder whose name matches name without regard to ASCII case, when the folder can
// be read. readdir, not a directory_iterator: no path is built for the entries that do not match.
std::optional<std::filesystem::path> FindIgnoringCase(const std::filesystem::path& folder,
                                                      const std::string& name) {
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
  if (!dir) return std::nullopt;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (SameNameIgnoringCase(entry->d_name, name)) return folder / entry->d_name;
  }
  return folder / name;
}

std::filesystem::file_status LinkStatus(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::symlink_status(path, error);
}

// The entry of folder whose name matches name without regard to ASCII case, else name itself.
std::filesystem::path Lookup(const std::filesystem::path& folder, const std::string& name) {
  std::filesystem::path exact = folder / name;
  if (std::filesystem::exists(LinkStatus(exact))) return exact;
  return FindIgnoringCase(folder, name).value_or(std::move(exact));
}

}  // namespace

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ToUpperAscii(a[i]) != ToUpperAscii(b[i])) return false;
  }
  return true;
}

std::filesystem::path SimDrives::DriveFolder(char letter) const {
  return root_ / std::string(1, ToUpperAscii(letter));
}

SimDrives::Resolved SimDrives::Resolve(const std::string& windowsPath) const {
  std::vector<std::string> parts = SplitComponents(windowsPath);
  std::filesystem::path base;
  std::size_t first = 0;
  if (windowsPath.size() >= 2 && windowsPath[1] == ':') {
    base = DriveFolder(windowsPath[0]);
    parts[0] = parts[0].substr(2);  // "C:x" is x in the drive's root
  } else if (parts.size() >= 4 && parts[0].empty() && parts[1].empty()) {
    base = root_ / "UNC" / parts[2] / parts[3];
    first = 4;
  } else {
    base = DriveFolder('C');
  }
  std::vector<std::string> names;
  for (std::size_t i = first; i < parts.size(); ++i) {
    const std::string name = TrimName(parts[i]);
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (!names.empty()) names.pop_back();
      continue;
    }
    names.push_back(name);
  }
  // Most paths name an entry spelled as it is, or a new one in a folder that is: then one look-up
  // and at most one listing find it, instead of one per component. A listing is only had of a
  // folder, so a failed one means that some folder on the way is spelled otherwise (or missing).
  std::filesystem::path exact = base;
  for (const std::string& name : names) exact /= name;
  const std::filesystem::file_status status = LinkStatus(exact);
  if (std::filesystem::exists(status)) return {exact, status};
  if (!names.empty()) {
    if (auto found = FindIgnoringCase(exact.parent_path(), names.back())) {
      const bool renamed = found->filename() != exact.filename();
      return {std::move(*found),
              std::filesystem::file_status(renamed ? std::filesystem::file_type::none
                                                   : std::filesystem::file_type::not_found)};
    }
  }
  std::filesystem::path host = base;
  for (const std::string& name : names) host = Lookup(host, name);
  return {host, std::filesystem::file_status()};
}

std::filesystem::path SimDrives::HostPath(const std::string& windowsPath) const {
  return Resolve(windowsPath).path;
}

}  // namespace setup
