#include "platform/sim/SimDrives.h"

#include <dirent.h>

#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "text/ScriptText.h"

namespace setup {
namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// The names between separators; a run of separators is one, as Windows reads a path.
std::vector<std::string> SplitNames(std::string_view path) {
  std::vector<std::string> names;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !IsSeparator(path[i])) continue;
    if (i > start) names.emplace_back(path.substr(start, i - start));
    start = i + 1;
  }
  return names;
}

// Windows refuses these in a name (and ':' outside the drive part would be a stream name).
bool HasRefusedCharacter(std::string_view name) {
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 32 ||
        std::string_view("<>:\"|?*").find(c) != std::string_view::npos) {
      return true;
    }
  }
  return false;
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

// Whether path, folded, is base or lies below it.
bool IsUnder(const std::filesystem::path& path, const std::filesystem::path& base) {
  const std::filesystem::path relative =
      path.lexically_normal().lexically_relative(base.lexically_normal());
  return !relative.empty() && *relative.begin() != "..";
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
  const char upper = ToUpperAscii(letter);
  if (upper < 'A' || upper > 'Z') return {};
  return root_ / std::string(1, upper);
}

SimDrives::Resolved SimDrives::Resolve(const std::string& windowsPath) const {
  const Resolved nowhere{
      {}, std::filesystem::file_status(std::filesystem::file_type::not_found), {}};
  // The ANSI functions of Windows see the text up to its first NUL.
  std::string_view text(windowsPath.c_str());
  std::filesystem::path volume;
  std::vector<std::string> parts;
  if (text.size() >= 2 && text[1] == ':') {
    volume = DriveFolder(text[0]);
    if (volume.empty()) return nowhere;
    parts = SplitNames(text.substr(2));  // "C:x" is x in the drive's root
  } else if (text.size() >= 2 && IsSeparator(text[0]) && IsSeparator(text[1])) {
    parts = SplitNames(text);
    if (parts.size() < 2) return nowhere;
    for (std::size_t i = 0; i < 2; ++i) {  // the server and the share: plain names
      const std::string& name = parts[i];
      if (name == "." || name == ".." || TrimName(name) != name || HasRefusedCharacter(name)) {
        return nowhere;
      }
    }
    volume = root_ / "UNC" / parts[0] / parts[1];
    parts.erase(parts.begin(), parts.begin() + 2);
  } else {
    volume = DriveFolder('C');
    parts = SplitNames(text);
  }
  std::vector<std::string> names;
  for (const std::string& part : parts) {
    const std::string name = TrimName(part);
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (!names.empty()) names.pop_back();
      continue;
    }
    if (HasRefusedCharacter(name)) return nowhere;
    names.push_back(name);
  }
  Resolved found = Find(volume, names);
  // Whatever the look-up took from the host, what comes out must still lie on the volume.
  if (!IsUnder(found.path, volume) || !IsUnder(volume, root_)) return nowhere;
  found.volume = std::move(volume);
  return found;
}

SimDrives::Resolved SimDrives::Find(const std::filesystem::path& volume,
                                    const std::vector<std::string>& names) const {
  // Most paths name an entry spelled as it is, or a new one in a folder that is: then one look-up
  // and at most one listing find it, instead of one per component. A listing is only had of a
  // folder, so a failed one means that some folder on the way is spelled otherwise (or missing).
  std::filesystem::path exact = volume;
  for (const std::string& name : names) exact /= name;
  const std::filesystem::file_status status = LinkStatus(exact);
  if (std::filesystem::exists(status)) return {exact, status, {}};
  if (!names.empty()) {
    if (auto found = FindIgnoringCase(exact.parent_path(), names.back())) {
      const bool renamed = found->filename() != exact.filename();
      return {std::move(*found),
              std::filesystem::file_status(renamed ? std::filesystem::file_type::none
                                                   : std::filesystem::file_type::not_found),
              {}};
    }
  }
  std::filesystem::path host = volume;
  for (const std::string& name : names) host = Lookup(host, name);
  return {host, std::filesystem::file_status(), {}};
}

std::filesystem::path SimDrives::HostPath(const std::string& windowsPath) const {
  return Resolve(windowsPath).path;
}

}  // namespace setup
