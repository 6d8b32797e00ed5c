#include "SourceMap.h"

#include <string_view>
#include <system_error>

#include "input/InputText.h"
#include "io/ToolError.h"
#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup::mksetup {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kMacroLetters = "SADPQ";

// A tree made on Linux has the script's UTF-8 names; one copied from a Windows disk as it was
// may have them in Windows-1252 bytes. Windows finds a file whatever the letter case.
std::optional<fs::path> MatchPart(const fs::path& folder, const std::string& part,
                                  const std::string& what) {
  std::error_code error;
  const std::optional<std::string> narrow = In1252(part);
  const bool other = narrow && *narrow != part;
  if (fs::exists(folder / part, error)) return folder / part;
  if (other && fs::exists(folder / *narrow, error)) return folder / *narrow;
  std::optional<fs::path> found;
  const std::string wanted = FoldPathCase(part);
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string host = it->path().filename().string();
    const std::string name = FoldPathCase(IsValidUtf8(host) ? host : Utf8From1252(host));
    if (name != wanted) continue;
    if (found) {
      throw ToolError(what, "both " + found->string() + " and " + it->path().string() +
                                " match; the name is ambiguous");
    }
    found = it->path();
  }
  return found;
}

}  // namespace

std::vector<std::string> SourceParts(const std::string& scriptPath, const std::string& what) {
  if (scriptPath.size() < 2 || scriptPath[0] != '%' ||
      kMacroLetters.find(ToUpperAscii(scriptPath[1])) == std::string_view::npos) {
    throw ToolError(what, "the path \"" + scriptPath +
                              "\" does not start with %S, %A, %D, %P or %Q, so it has no place "
                              "in the source tree");
  }
  std::vector<std::string> parts{std::string(1, ToUpperAscii(scriptPath[1]))};
  std::string part;
  auto finish = [&] {
    if (part == "..") throw ToolError(what, "the path \"" + scriptPath + "\" climbs with \"..\"");
    if (!part.empty() && part != ".") parts.push_back(part);
    part.clear();
  };
  for (std::size_t i = 2; i < scriptPath.size(); ++i) {
    const char c = scriptPath[i];
    if (c == '\\' || c == '/') {
      finish();
    } else {
      part.push_back(c);
    }
  }
  finish();
  if (parts.size() < 2) throw ToolError(what, "the path \"" + scriptPath + "\" names no file");
  return parts;
}

bool IsPlainTree(const fs::path& root, const std::string& what) {
  std::error_code error;
  for (const char* part : {"S", "A"}) {
    const std::optional<fs::path> found = MatchPart(root, part, what);
    if (found && fs::is_directory(*found, error)) return false;
  }
  return true;
}

std::optional<fs::path> SourceFinder::Find(const std::vector<std::string>& parts,
                                           const std::string& what) {
  if (parts.front() == "S" && !plain_) plain_ = IsPlainTree(root_, what);
  const std::size_t first = parts.front() == "S" && *plain_ ? 1 : 0;
  fs::path at = root_;
  std::string key;
  for (std::size_t i = first; i + 1 < parts.size(); ++i) {
    key += parts[i];
    key += '/';
    if (const auto known = folders_.find(key); known != folders_.end()) {
      at = known->second;
      continue;
    }
    const std::optional<fs::path> next = MatchPart(at, parts[i], what);
    if (!next) return std::nullopt;
    at = *next;
    folders_.emplace(key, at);
  }
  std::error_code error;
  // Most files are named as they lie, and a file that is no link is all a look-up needs to know.
  if (fs::path exact = at / parts.back();
      fs::symlink_status(exact, error).type() == fs::file_type::regular) {
    return exact;
  }
  const std::optional<fs::path> found = MatchPart(at, parts.back(), what);
  if (!found || !fs::exists(fs::symlink_status(*found, error)) || fs::is_directory(*found, error)) {
    return std::nullopt;
  }
  return found;
}

std::optional<fs::path> FindSource(const fs::path& root, const std::vector<std::string>& parts,
                                   const std::string& what) {
  return SourceFinder(root).Find(parts, what);
}

std::optional<std::string> LinkOutOfTree(const fs::path& root, const fs::path& file,
                                         const fs::path& checked) {
  std::error_code error;
  if (const fs::path inTree = file.lexically_relative(root);
      inTree.empty() || *inTree.begin() == "..") {
    return std::nullopt;  // --uninstaller's own file
  }
  const fs::path start = checked.empty() ? root : checked;
  const fs::path below = file.lexically_relative(start);
  if (below.empty() || *below.begin() == "..") return std::nullopt;
  // The root's own links resolved only once a link is met: resolving them costs a look-up of
  // every folder above the tree, for each of a tree's thousands of files.
  std::optional<fs::path> tree;
  const auto within = [&](const fs::path& path) {
    std::error_code rootError;
    if (!tree) tree = fs::weakly_canonical(root, rootError);
    const fs::path relative = path.lexically_relative(*tree);
    return !relative.empty() && *relative.begin() != "..";
  };
  fs::path at = start;
  for (const fs::path& name : below) {
    at /= name;
    if (!fs::is_symlink(fs::symlink_status(at, error))) continue;
    const fs::path target = fs::weakly_canonical(at, error);
    if (error || !within(target)) {
      return at.string() + " is a symbolic link to " +
             (error ? fs::read_symlink(at, error).string() : target.string()) +
             ", outside the source tree; copy the file into the tree";
    }
  }
  return std::nullopt;
}

std::optional<std::string> NotARegularFile(const fs::path& file) {
  std::error_code error;
  switch (fs::status(file, error).type()) {
    case fs::file_type::regular:
      return std::nullopt;
    case fs::file_type::not_found:
      return file.string() + " is a symbolic link to nothing";
    case fs::file_type::fifo:
      return file.string() + " is a named pipe, not a file";
    case fs::file_type::socket:
      return file.string() + " is a socket, not a file";
    case fs::file_type::block:
    case fs::file_type::character:
      return file.string() + " is a device, not a file";
    default:
      return file.string() + " is no regular file";
  }
}

fs::path TargetPath(const fs::path& root, const std::vector<std::string>& parts) {
  fs::path path = root;
  for (const std::string& part : parts) path /= part;
  return path;
}

}  // namespace setup::mksetup
