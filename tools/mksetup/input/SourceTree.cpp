#include "SourceTree.h"

#include <algorithm>
#include <string_view>
#include <system_error>

#include "input/SourceMap.h"
#include "io/ToolError.h"
#include "io/Utf16Text.h"
#include "text/FolderPath.h"
#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup::mksetup {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kMacroLetters = "SADPQ";

// Why a name cannot stand in a line of the script; empty when it can.
std::string NameRefusal(const std::string& name) {
  std::string refusal;
  ForEachCharacter(name, [&](char32_t code, std::size_t at, std::size_t) {
    if (!refusal.empty()) return;
    // A C1 control is what a Windows-1252 name's five unassigned bytes become.
    if (code < 0x20 || (code >= 0x80 && code < 0xA0)) {
      refusal = "the name holds a control character, which Windows forbids in a name";
    } else if (code == '\\' || (code < 0x80 && kForbiddenNameCharacters.find(static_cast<char>(
                                                   code)) != std::string_view::npos)) {
      refusal = std::string("the name holds '") + name[at] + "', which Windows forbids in a name";
    } else if (code == '%' && at + 1 < name.size() && ToUpperAscii(name[at + 1]) >= 'A' &&
               ToUpperAscii(name[at + 1]) <= 'Z') {
      // ExpandMacros replaces %S, %A ... anywhere in the path, and check refuses any other.
      refusal = "the name holds \"%" + std::string(1, name[at + 1]) +
                "\", which the setup would read as a macro";
    }
  });
  if (!refusal.empty()) return refusal;
  if (IsDeviceName(name))
    return "the name is that of a device (" + name + "): Windows would open the device instead";
  if (name.back() == '.' || name.back() == ' ')
    return "the name ends in a dot or blank, which Windows drops: the file would land under "
           "another name";
  return "";
}

// A host name as a line of the script names it: UTF-8 as Linux writes names, or, when the bytes
// are no UTF-8 (a tree copied from a Windows disk as it was), Windows-1252.
std::string ScriptName(const std::string& host) {
  return IsValidUtf8(host) ? host : Utf8From1252(host);
}

struct Child {
  std::string name;  // UTF-8, as a line names it
  fs::path host;
  bool folder = false;
  std::string refusal;
};

class Walker {
 public:
  explicit Walker(SourceTree& tree) : tree_(tree) {}

  void Folder(const fs::path& folder, const std::string& prefix) {
    std::error_code error;
    const fs::path canonical = fs::canonical(folder, error);
    above_.push_back(canonical);
    std::vector<Child> children;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      children.push_back(Look(*it));
    }
    if (error) throw ToolError(folder.string(), "cannot be read: " + error.message());
    std::stable_sort(children.begin(), children.end(), [](const Child& a, const Child& b) {
      return ListsBefore(a.name, b.name) || (!ListsBefore(b.name, a.name) && a.name < b.name);
    });
    // Sorted, names that Windows takes for one lie side by side.
    for (std::size_t i = 1; i < children.size(); ++i) {
      if (FoldPathCase(children[i].name) != FoldPathCase(children[i - 1].name)) continue;
      if (!children[i].refusal.empty()) continue;
      children[i].refusal = "the name differs from " + children[i - 1].host.filename().string() +
                            " only in letter case: Windows keeps one of the two";
    }
    for (const bool folders : {false, true}) {
      for (const Child& child : children) {
        if (child.folder != folders) continue;
        const std::string path = prefix + child.name + (child.folder ? "\\" : "");
        tree_.entries.push_back({path, child.host, child.folder, child.refusal});
        if (!child.refusal.empty()) continue;
        ++(child.folder ? tree_.folders : tree_.files);
        if (child.folder) Folder(child.host, path);
      }
    }
    above_.pop_back();
  }

 private:
  // The entry's kind as the folder listing gave it: for a file that is no link, nothing more to
  // ask of the file system.
  Child Look(const fs::directory_entry& entry) {
    const fs::path& host = entry.path();
    Child child{host.filename().string(), host, false, {}};
    std::error_code error;
    child.folder = entry.is_directory(error);
    child.name = ScriptName(child.name);
    child.refusal = NameRefusal(child.name);
    if (!child.refusal.empty()) return child;
    if (!child.folder && entry.is_regular_file(error) && !entry.is_symlink(error) && !error) {
      return child;
    }
    // The folders above were looked at as the walk came down to this one.
    if (const std::optional<std::string> out =
            LinkOutOfTree(tree_.root, host, host.parent_path())) {
      child.refusal = *out;
    } else if (child.folder) {
      const fs::path canonical = fs::canonical(host, error);
      if (std::find(above_.begin(), above_.end(), canonical) != above_.end())
        child.refusal = "a link to a folder above it: the tree would never end";
    } else if (const std::optional<std::string> kind = NotARegularFile(host)) {
      child.refusal = *kind;
    }
    return child;
  }

  SourceTree& tree_;
  std::vector<fs::path> above_;  // the folders being walked, links resolved
};

}  // namespace

bool ListsBefore(const std::string& a, const std::string& b) {
  return Utf16Of(FoldPathCase(a)) < Utf16Of(FoldPathCase(b));
}

SourceTree ListSourceTree(const fs::path& root) {
  SourceTree tree;
  tree.root = root;
  std::error_code error;
  if (!fs::is_directory(root, error)) throw ToolError(root.string(), "is no folder");
  Walker walker(tree);
  if (IsPlainTree(root, root.string())) {
    tree.plain = true;
    walker.Folder(root, "%S");
    return tree;
  }
  std::vector<std::pair<char, fs::path>> parts;
  for (fs::directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    std::error_code kind;
    if (name.size() != 1 || !fs::is_directory(it->path(), kind)) continue;
    const char letter = ToUpperAscii(name[0]);
    if (kMacroLetters.find(letter) != std::string_view::npos)
      parts.emplace_back(letter, it->path());
  }
  if (error) throw ToolError(root.string(), "cannot be read: " + error.message());
  std::sort(parts.begin(), parts.end(), [](const auto& a, const auto& b) {
    return std::make_pair(kMacroLetters.find(a.first), a.second) <
           std::make_pair(kMacroLetters.find(b.first), b.second);
  });
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string prefix = "%" + std::string(1, parts[i].first);
    std::string refusal;
    if (i > 0 && parts[i - 1].first == parts[i].first) {
      refusal = "the folder differs from " + parts[i - 1].second.filename().string() +
                " only in letter case: build would not know which to take";
    } else if (const std::optional<std::string> out = LinkOutOfTree(root, parts[i].second)) {
      refusal = *out;
    }
    if (!refusal.empty()) {
      tree.entries.push_back({prefix + "\\", parts[i].second, true, refusal});
      continue;
    }
    walker.Folder(parts[i].second, prefix);
  }
  return tree;
}

std::optional<std::string> TreeKey(const std::string& scriptPath, bool folder) {
  if (scriptPath.size() < 2 || scriptPath[0] != '%' ||
      kMacroLetters.find(ToUpperAscii(scriptPath[1])) == std::string_view::npos) {
    return std::nullopt;
  }
  std::string key = "%" + std::string(1, ToUpperAscii(scriptPath[1]));
  std::string part;
  bool any = false;
  for (std::size_t i = 2; i <= scriptPath.size(); ++i) {
    const char c = i < scriptPath.size() ? scriptPath[i] : '\\';
    if (c != '\\' && c != '/') {
      part.push_back(c);
      continue;
    }
    if (part == "..") return std::nullopt;
    if (!part.empty() && part != ".") {
      key += (any ? "\\" : "") + FoldPathCase(part);
      any = true;
    }
    part.clear();
  }
  if (!folder && !any) return std::nullopt;
  return folder ? key + (any ? "\\" : "") : key;
}

std::map<std::string, std::size_t> EntriesByKey(const SourceTree& tree) {
  std::map<std::string, std::size_t> keys;
  for (std::size_t i = 0; i < tree.entries.size(); ++i) {
    const TreeEntry& entry = tree.entries[i];
    if (const std::optional<std::string> key = TreeKey(entry.path, entry.folder))
      keys.emplace(*key, i);
  }
  return keys;
}

}  // namespace setup::mksetup
