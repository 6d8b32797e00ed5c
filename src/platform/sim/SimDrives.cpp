#include "platform/sim/SimDrives.h"

#include <dirent.h>
#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup {
namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// The names between separators; a run of separators is one, as Windows reads a path.
std::vector<std::string_view> SplitNames(std::string_view path) {
  std::vector<std::string_view> names;
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
std::string_view TrimName(std::string_view name) {
  if (name == "." || name == "..") return name;
  while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.remove_suffix(1);
  return name;
}

// How long a folder the sim looked at, and has changed only itself since, is taken as it was.
// A run makes a file every 0.1 ms or so: a status of its folder before each was a quarter of all
// the run spent beyond inflating and writing the files.
constexpr auto kLookAgainAfter = std::chrono::milliseconds(1);

bool SameStamp(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_nlink == b.st_nlink && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
         a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && a.st_ctim.tv_sec == b.st_ctim.tv_sec &&
         a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

bool NotAfter(const struct timespec& time, const struct timespec& limit) {
  return time.tv_sec < limit.tv_sec ||
         (time.tv_sec == limit.tv_sec && time.tv_nsec <= limit.tv_nsec);
}

std::filesystem::file_status LinkStatus(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::symlink_status(path, error);
}

// Whether a path is absolute and already in its lexically normal form: no "." or ".." names, no
// doubled or trailing separator. Such paths compare as text, which the run's thousands of
// look-ups can afford where taking every path apart into names they could not.
bool IsPlain(std::string_view path) {
  if (path.empty() || path[0] != '/') return false;
  if (path.size() == 1) return true;
  std::size_t start = 1;  // of the name being read
  for (std::size_t at = 1; at <= path.size(); ++at) {
    if (at < path.size() && path[at] != '/') continue;
    const std::string_view name = path.substr(start, at - start);
    if (name.empty() || name == "." || name == "..") return false;
    start = at + 1;
  }
  return true;
}

// Of two plain paths, path below base as names; nothing when it is not below (or is base).
std::optional<std::string_view> TextBelow(const std::string& path, const std::string& base) {
  if (base == "/")
    return path.size() > 1 ? std::optional(std::string_view(path).substr(1)) : std::nullopt;
  if (path.size() <= base.size() + 1 || path.compare(0, base.size(), base) != 0 ||
      path[base.size()] != '/') {
    return std::nullopt;
  }
  return std::string_view(path).substr(base.size() + 1);
}

// path below base as names, when both are plain; nothing when either is not (or path is base).
std::optional<std::string_view> PlainBelow(const std::string& path, const std::string& base) {
  if (!IsPlain(path) || !IsPlain(base)) return std::nullopt;
  return TextBelow(path, base);
}

// Whether path, folded, is base or lies below it.
bool IsUnder(const std::filesystem::path& path, const std::filesystem::path& base) {
  if (IsPlain(path.native()) && IsPlain(base.native())) {
    return path.native() == base.native() || TextBelow(path.native(), base.native()).has_value();
  }
  const std::filesystem::path relative =
      path.lexically_normal().lexically_relative(base.lexically_normal());
  return !relative.empty() && *relative.begin() != "..";
}

}  // namespace

const std::filesystem::path& SimDrives::DriveFolder(char letter) const {
  static const std::filesystem::path none;
  const char upper = ToUpperAscii(letter);
  if (upper < 'A' || upper > 'Z') return none;
  const auto mapped = mapped_.find(upper);
  if (mapped != mapped_.end()) return mapped->second;
  std::filesystem::path& folder = driveFolders_[upper - 'A'];
  if (folder.empty()) folder = root_ / std::string(1, upper);
  return folder;
}

void SimDrives::MapDrive(char letter, const std::filesystem::path& folder) {
  std::filesystem::path normal = std::filesystem::absolute(folder).lexically_normal();
  if (normal.has_relative_path() && normal.filename().empty()) normal = normal.parent_path();
  mapped_[ToUpperAscii(letter)] = std::move(normal);
  bases_.clear();
  driveFolders_ = {};
}

std::vector<char> SimDrives::MappedLetters() const {
  std::vector<char> letters;
  for (const auto& [letter, folder] : mapped_) letters.push_back(letter);
  return letters;
}

SimDrives::Resolved SimDrives::Resolve(const std::string& windowsPath) const {
  const Resolved nowhere{
      {}, std::filesystem::file_status(std::filesystem::file_type::not_found), {}};
  // The file functions of Windows see the text up to its first NUL.
  std::string_view text(windowsPath.c_str());
  std::filesystem::path volume;
  std::vector<std::string_view> parts;  // of text
  if (text.size() >= 2 && text[1] == ':') {
    volume = DriveFolder(text[0]);
    if (volume.empty()) return nowhere;
    parts = SplitNames(text.substr(2));  // "C:x" is x in the drive's root
  } else if (text.size() >= 2 && IsSeparator(text[0]) && IsSeparator(text[1])) {
    parts = SplitNames(text);
    if (parts.size() < 2) return nowhere;
    for (std::size_t i = 0; i < 2; ++i) {  // the server and the share: plain names
      const std::string_view name = parts[i];
      if (name == "." || name == ".." || TrimName(name) != name || HasRefusedCharacter(name)) {
        return nowhere;
      }
    }
    volume = root_ / "UNC" / std::string(parts[0]) / std::string(parts[1]);
    parts.erase(parts.begin(), parts.begin() + 2);
  } else {
    volume = DriveFolder('C');
    parts = SplitNames(text);
  }
  std::vector<std::string> names;
  names.reserve(parts.size());
  for (const std::string_view part : parts) {
    const std::string_view name = TrimName(part);
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (!names.empty()) names.pop_back();
      continue;
    }
    if (HasRefusedCharacter(name)) return nowhere;
    names.emplace_back(name);
  }
  Resolved found = Find(volume, names);
  // Whatever the look-up took from the host, what comes out must still lie on the volume.
  const bool mappedDrive = std::any_of(mapped_.begin(), mapped_.end(), [&](const auto& drive) {
    return drive.second.native() == volume.native();
  });
  if (!IsUnder(found.path, volume) || !(mappedDrive || IsUnder(volume, root_))) return nowhere;
  found.volume = std::move(volume);
  return found;
}

const SimDrives::FolderNames* SimDrives::Names(const std::string& folder, bool making) const {
  const auto looked = std::chrono::steady_clock::now();
  const auto known = names_.find(folder);
  if (making && known != names_.end() && known->second.own &&
      looked - known->second.lookedAt < kLookAgainAfter) {
    return &known->second;
  }
  struct stat now {};
  if (::stat(folder.c_str(), &now) != 0 || !S_ISDIR(now.st_mode)) {
    if (known != names_.end()) names_.erase(known);
    return nullptr;
  }
  FolderNames& names = known != names_.end() ? known->second : names_[folder];
  names.lookedAt = looked;
  if (SameStamp(names.stamp, now) && now.st_ino != 0) return &names;
  const bool ownOnly =
      names.own && now.st_dev == names.stamp.st_dev && now.st_ino == names.stamp.st_ino &&
      now.st_nlink == names.stamp.st_nlink + names.ownLinks &&
      NotAfter(now.st_mtim, names.ownUntil) && NotAfter(now.st_ctim, names.ownUntil);
  names.own = false;
  names.ownLinks = 0;
  if (ownOnly) {
    names.stamp = now;
    return &names;
  }
  // readdir, not a directory_iterator: no path is built for the entries.
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
  if (!dir) {
    names_.erase(folder);
    return nullptr;
  }
  ++listings_;
  names.byUpperName.clear();
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    names.byUpperName.emplace(FoldPathCase(name), name);
  }
  names.stamp = now;
  return &names;
}

std::optional<std::filesystem::path> SimDrives::FindIgnoringCase(
    const std::filesystem::path& folder, const std::string& name) const {
  const FolderNames* names = Names(folder.native());
  if (!names) return std::nullopt;
  const auto found = names->byUpperName.find(FoldPathCase(name));
  return folder / (found == names->byUpperName.end() ? name : found->second);
}

std::filesystem::path SimDrives::Lookup(const std::filesystem::path& folder,
                                        const std::string& name) const {
  std::filesystem::path exact = folder / name;
  if (std::filesystem::exists(LinkStatus(exact))) return exact;
  return FindIgnoringCase(folder, name).value_or(std::move(exact));
}

void SimDrives::NoteCreated(const std::filesystem::path& hostPath, bool folder) const {
  // A plain path is cut at its last separator, rather than parsed into names to find its folder.
  const std::string& text = hostPath.native();
  const std::size_t slash = IsPlain(text) ? text.rfind('/') : std::string::npos;
  const auto names = names_.find(slash == std::string::npos ? hostPath.parent_path().native()
                                 : slash == 0               ? std::string("/")
                                                            : text.substr(0, slash));
  if (names == names_.end()) return;
  const std::string name =
      slash == std::string::npos ? hostPath.filename().string() : text.substr(slash + 1);
  FolderNames& known = names->second;
  known.byUpperName.emplace(FoldPathCase(name), name);
  // Whatever time the host gave the change, it was before this.
  known.own = true;
  ::clock_gettime(CLOCK_REALTIME, &known.ownUntil);
  if (folder) ++known.ownLinks;
}

void SimDrives::NoteRemoved(const std::filesystem::path& hostPath) const {
  names_.erase(hostPath.native());
  const auto names = names_.find(hostPath.parent_path().native());
  if (names == names_.end()) return;
  const std::string name = hostPath.filename().string();
  const auto entry = names->second.byUpperName.find(FoldPathCase(name));
  // Another entry of the same name in another case may be left on a case-sensitive host.
  if (entry != names->second.byUpperName.end() && entry->second == name) {
    names_.erase(names);
    return;
  }
  names->second.own = false;  // the new stamp has it all
  names->second.ownLinks = 0;
  if (::stat(names->first.c_str(), &names->second.stamp) != 0) names_.erase(names);
}

const std::filesystem::path& SimDrives::Base(const std::filesystem::path& hostPath) const {
  static const std::filesystem::path none;
  const std::filesystem::path* base = nullptr;
  // The deepest folder that holds the path: a drive mapped below the root is a base of its own.
  for (const auto& [letter, folder] : mapped_) {
    if (IsUnder(hostPath, folder) && (!base || folder.native().size() > base->native().size())) {
      base = &folder;
    }
  }
  if (base) return *base;
  if (IsUnder(hostPath, root_)) return root_;
  return none;
}

HostFd SimDrives::Open(const std::filesystem::path& hostPath, int flags, mode_t mode) const {
  const std::filesystem::path& base = Base(hostPath);
  if (base.empty()) {
    errno = ENOENT;
    return HostFd();
  }
  const std::optional<std::string_view> plain = PlainBelow(hostPath.native(), base.native());
  const std::string relative =
      plain ? std::string(*plain)
            : hostPath.lexically_normal().lexically_relative(base.lexically_normal()).native();
  BeneathOpen opened;
  if (relative.empty() || relative == ".") {
    opened = OpenBeneath(base, relative, flags, mode);
  } else {
    auto top = bases_.find(base.native());
    if (top == bases_.end()) {
      HostFd fd(::open(base.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
      if (fd) top = bases_.emplace(base.native(), std::move(fd)).first;
    }
    opened = top != bases_.end() ? OpenBeneath(top->second, base, relative, flags, mode)
                                 : OpenBeneath(base, relative, flags, mode);
    // Removed and made again since it was opened: the folder under that name now.
    if (opened.error == ENOENT && top != bases_.end()) {
      bases_.erase(top);
      opened = OpenBeneath(base, relative, flags, mode);
    }
  }
  if (!opened.link.empty()) NoteLink(opened.link);
  errno = opened.error;
  return std::move(opened.fd);
}

void SimDrives::NoteLink(const std::filesystem::path& link) const {
  if (onLink) onLink(link);
}

SimDrives::Resolved SimDrives::Find(const std::filesystem::path& volume,
                                    const std::vector<std::string>& names) const {
  // Most paths name an entry spelled as it is, or a new one in a folder that is: then one look-up
  // and at most one listing find it, instead of one per component. A listing is only had of a
  // folder, so a failed one means that some folder on the way is spelled otherwise (or missing).
  // Spelled out as text, not name by name: each step of a path's /= parses the whole path again.
  std::string text = volume.native();
  std::size_t folderEnd = text.size();  // of the last name's folder
  for (const std::string& name : names) {
    folderEnd = text.size();
    if (text.empty() || text.back() != '/') text += '/';
    text += name;
  }
  const std::string folderText = text.substr(0, folderEnd);
  std::filesystem::path exact(std::move(text));
  // A new entry in a folder whose names are known needs no look-up of its own: the folder's
  // status says whether the names are still right (the run's files are nearly all new ones).
  if (!names.empty() && names_.count(folderText) != 0) {
    const FolderNames* known = Names(folderText, true);
    if (known && known->byUpperName.count(FoldPathCase(names.back())) == 0) {
      return {std::move(exact),
              std::filesystem::file_status(std::filesystem::file_type::not_found),
              {}};
    }
  }
  const std::filesystem::file_status status = LinkStatus(exact);
  if (std::filesystem::exists(status)) return {std::move(exact), status, {}};
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
