#include "TreeScript.h"

#include <algorithm>
#include <map>
#include <set>

#include "input/InputText.h"
#include "io/ToolError.h"
#include "text/FileFormat.h"
#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup::mksetup {
namespace {

constexpr const char* kUninstallerPath = "%SUnInstall.EXE";

// A file directly in %S: "%SName", no folder between.
bool InDestination(const TreeEntry& entry) {
  return !entry.folder && entry.path.rfind("%S", 0) == 0 &&
         entry.path.find('\\') == std::string::npos;
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('\\');
  return path.substr(slash == std::string::npos ? 2 : slash + 1);
}

std::string Extension(const std::string& name) {
  const std::size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? "" : ToUpperAscii(name.substr(dot));
}

bool StartsWith(const std::vector<std::uint8_t>& bytes, std::initializer_list<std::uint8_t> head) {
  return bytes.size() >= head.size() && std::equal(head.begin(), head.end(), bytes.begin());
}

// A script saved as UTF-8 without the byte-order mark (built with --input-encoding utf-8)
// keeps being so: non-ASCII text that reads as UTF-8 (Windows-1252 letters between ASCII ones
// hardly ever do).
bool IsUnmarkedUtf8(const std::vector<std::uint8_t>& bytes) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return IsValidUtf8(text) &&
         std::any_of(text.begin(), text.end(), [](char c) { return c & 0x80; });
}

std::string BreakOf(const ScriptFile& script) {
  const ScriptLine& first = script.lines.front();
  const std::size_t at = first.offset + first.length;
  if (at >= script.bytes.size() || (script.bytes[at] != '\r' && script.bytes[at] != '\n'))
    return "\r\n";
  if (script.bytes[at] == '\n') return "\n";
  return at + 1 < script.bytes.size() && script.bytes[at + 1] == '\n' ? "\r\n" : "\r";
}

struct Item {
  std::string bytes;  // as the file holds it, its line break included
  long entry = -1;    // the tree entry the line names
};

bool EndsWithBreak(const std::string& bytes) {
  return !bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r');
}

// The place for the line of entry: after the lines of the nearest entry before it in the tree's
// order, else before those of the nearest one after it, else at the end.
std::size_t PlaceFor(const std::vector<Item>& items, long entry) {
  long before = -1, after = -1;
  for (const Item& item : items) {
    if (item.entry < entry && item.entry > before) before = item.entry;
    if (item.entry > entry && (after < 0 || item.entry < after)) after = item.entry;
  }
  if (before >= 0) {
    std::size_t place = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i].entry == before) place = i + 1;
    }
    return place;
  }
  if (after >= 0) {
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i].entry == after) return i;
    }
  }
  return items.size();
}

bool Inside(const std::string& key, const std::string& folderKey) {
  return key.size() > folderKey.size() && key.compare(0, folderKey.size(), folderKey) == 0;
}

}  // namespace

std::vector<TreeEntry> ScriptEntries(const SourceTree& tree) {
  std::vector<TreeEntry> entries = tree.entries;
  const bool hasUninstaller = std::any_of(entries.begin(), entries.end(), [](const TreeEntry& e) {
    return InDestination(e) && ToUpperAscii(e.path) == ToUpperAscii(kUninstallerPath);
  });
  if (!hasUninstaller) {
    std::size_t at = 0;
    while (at < entries.size() && InDestination(entries[at]) &&
           ListsBefore(NameOf(entries[at].path), NameOf(kUninstallerPath))) {
      ++at;
    }
    entries.insert(entries.begin() + static_cast<long>(at), {kUninstallerPath, {}, false, {}});
  }
  const auto appData = std::find_if(entries.begin(), entries.end(),
                                    [](const TreeEntry& e) { return e.path.rfind("%A", 0) == 0; });
  if (appData != entries.end()) entries.insert(appData, {"%A", {}, true, {}});
  return entries;
}

std::string EntryLine(const TreeEntry& entry) {
  return std::string(1, entry.folder ? kFolderAction : kFileAction) + "*" + entry.path;
}

std::optional<std::string> MainProgramOf(const std::vector<TreeEntry>& entries) {
  for (const bool anywhere : {false, true}) {
    std::vector<std::string> programs;
    for (const TreeEntry& entry : entries) {
      if (entry.folder || entry.path.rfind("%S", 0) != 0 || Extension(entry.path) != ".EXE" ||
          ToUpperAscii(entry.path) == ToUpperAscii(kUninstallerPath) ||
          (!anywhere && !InDestination(entry))) {
        continue;
      }
      programs.push_back(entry.path);
    }
    if (programs.size() == 1) return programs[0];
    if (!programs.empty()) return std::nullopt;
  }
  return std::nullopt;
}

std::optional<std::string> ReadMeOf(const std::vector<TreeEntry>& entries, char language) {
  const std::vector<std::string> stems =
      language == 'G'   ? std::vector<std::string>{"LIESMICH", "README"}
      : language == 'F' ? std::vector<std::string>{"LISEZMOI", "README"}
                        : std::vector<std::string>{"README"};
  for (const std::string& stem : stems) {
    std::optional<std::string> found;
    for (const TreeEntry& entry : entries) {
      if (!InDestination(entry)) continue;
      const std::string name = ToUpperAscii(NameOf(entry.path));
      const std::string extension = Extension(name);
      if (name.substr(0, name.size() - extension.size()) != stem) continue;
      if (!found || extension == ".TXT") found = entry.path;
    }
    if (found) return found;
  }
  return std::nullopt;
}

RefreshedScript RefreshScript(const ScriptFile& script, const std::vector<TreeEntry>& entries) {
  if (StartsWith(script.bytes, {0xFF, 0xFE}) || StartsWith(script.bytes, {0xFE, 0xFF}))
    throw ToolError(script.name,
                    "the script is UTF-16; save it as UTF-8 with a byte-order mark, or as "
                    "Windows-1252");
  if (script.lines.size() < kLeadingLines)
    throw ToolError(script.name, "the script ends before its first line and eight header lines");
  const bool unmarked = !script.utf8 && IsUnmarkedUtf8(script.bytes);
  std::vector<std::uint8_t> marked;
  if (unmarked) {
    marked.assign(kUtf8ByteOrderMark.begin(), kUtf8ByteOrderMark.end());
    marked.insert(marked.end(), script.bytes.begin(), script.bytes.end());
  }
  const ScriptFile text = unmarked ? ParseScriptFile(script.name, marked) : script;
  const bool utf8 = script.utf8 || unmarked;
  const std::string lineBreak = BreakOf(script);

  std::map<std::string, long> keys;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (const auto key = TreeKey(entries[i].path, entries[i].folder))
      keys.emplace(*key, static_cast<long>(i));
  }
  // Each line as it stands, and what it names.
  const std::size_t end =
      std::find(script.bytes.begin(), script.bytes.end(), 0) - script.bytes.begin();
  struct Line {
    Item item;
    char code = 0;
    std::optional<std::string> key;  // the tree place of a D or F line, the folder of a K line
    bool gone = false;
  };
  std::vector<Line> lines;
  for (std::size_t i = 0; i < script.lines.size(); ++i) {
    const std::size_t from = script.lines[i].offset;
    const std::size_t to = i + 1 < script.lines.size() ? script.lines[i + 1].offset : end;
    Line line;
    line.item.bytes.assign(script.bytes.begin() + static_cast<long>(from),
                           script.bytes.begin() + static_cast<long>(to));
    const std::string& words = text.lines[i].text;
    if (i >= kLeadingLines && words.size() >= 2) {
      line.code = ToUpperAscii(words[0]);
      const std::string argument = words.substr(2);
      if (line.code == kFolderAction || line.code == kFileAction) {
        line.key = TreeKey(argument, line.code == kFolderAction);
      } else if (line.code == kShortcutAction) {
        line.key = TreeKey(argument.substr(0, argument.find(';')), false);
      }
      const auto found = line.key ? keys.find(*line.key) : keys.end();
      if (found != keys.end() && entries[found->second].folder == (line.code == kFolderAction)) {
        line.item.entry = found->second;
      } else if (line.code == kFileAction && line.key) {
        line.gone = true;  // the tree lost its file
      }
    }
    lines.push_back(std::move(line));
  }
  // A D line of a folder the tree lost goes when it lost every F line the script had in it.
  for (Line& folder : lines) {
    if (folder.code != kFolderAction || !folder.key || folder.item.entry >= 0) continue;
    bool lost = false, kept = false;
    for (const Line& line : lines) {
      if (!line.key || !Inside(*line.key, *folder.key)) continue;
      if (line.code == kFileAction) (line.gone ? lost : kept) = true;
      if (line.code == kShortcutAction) kept = true;
    }
    folder.gone = lost && !kept;
  }

  RefreshedScript result;
  std::vector<Item> items;
  std::set<long> named;
  for (const Line& line : lines) {
    if (line.gone) {
      ++result.removed;
      continue;
    }
    items.push_back(line.item);
    if (line.item.entry >= 0) named.insert(line.item.entry);
  }
  // New lines in the script's encoding; a name Windows-1252 lacks makes the whole script UTF-8.
  std::vector<bool> added(items.size(), false);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (named.count(static_cast<long>(i)) || !entries[i].refusal.empty()) continue;
    const std::string line = EntryLine(entries[i]);
    char32_t missing = 0;
    if (!utf8 && !result.becameUtf8 && !In1252(line, &missing)) {
      result.becameUtf8 = true;
      result.why = CodePoint(missing) + " of " + entries[i].path;
    }
    const std::size_t place = std::max(PlaceFor(items, static_cast<long>(i)), kLeadingLines);
    if (place > 0 && !EndsWithBreak(items[place - 1].bytes)) items[place - 1].bytes += lineBreak;
    items.insert(items.begin() + static_cast<long>(place),
                 {line + lineBreak, static_cast<long>(i)});
    added.insert(added.begin() + static_cast<long>(place), true);
    ++result.added;
  }
  // The lines start after a byte-order mark the script has.
  std::string out = result.becameUtf8 || script.utf8 ? std::string(kUtf8ByteOrderMark) : "";
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string& bytes = items[i].bytes;
    // A kept line keeps its bytes, unless the script it stood in is now UTF-8.
    if (added[i] && !utf8 && !result.becameUtf8) {
      out += *In1252(bytes);
    } else {
      out += result.becameUtf8 && !added[i] ? Utf8From1252(bytes) : bytes;
    }
  }
  const std::string rest(script.bytes.begin() + static_cast<long>(end), script.bytes.end());
  out += result.becameUtf8 ? Utf8From1252(rest) : rest;
  result.bytes.assign(out.begin(), out.end());
  return result;
}

}  // namespace setup::mksetup
