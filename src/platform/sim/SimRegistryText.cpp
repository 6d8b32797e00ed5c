// The simulated registry as REGEDIT4-like text, and back.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "platform/Error.h"
#include "platform/sim/SimRegistry.h"
#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup {
namespace {

std::string Quote(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string ValueLine(const SimValue& value) {
  std::string line = value.name.empty() ? "@" : Quote(value.name);
  if (value.type == SimValue::Type::Dword) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08x", value.number);
    return line + "=dword:" + hex;
  }
  return line + "=" + Quote(value.text);
}

void SaveKey(const SimKeyNode& node, const std::string& path, std::string& out) {
  if (path.find('\\') != std::string::npos || !node.values.empty()) {
    out += "[" + path + "]\r\n";
    for (const SimValue& value : node.values) out += ValueLine(value) + "\r\n";
    out += "\r\n";
  }
  for (const auto& [upper, child] : node.children) SaveKey(*child, path + "\\" + child->name, out);
}

[[noreturn]] void Bad(std::size_t line, const std::string& reason) {
  throw RegistryTextError(line, reason);
}

// The line of the text that holds the byte at offset, counted as SplitScriptLines counts.
std::size_t LineAt(const std::string& text, std::size_t offset) {
  std::size_t line = 1;
  for (std::size_t i = 0; i < offset; ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      ++line;
    }
  }
  return line;
}

// Reads a quoted text from position i (at the opening quote); i ends after the closing quote.
// Only a backslash and a double quote are escaped, as SaveText writes them.
std::string Unquote(const std::string& line, std::size_t& i, std::size_t number) {
  if (i >= line.size() || line[i] != '"') Bad(number, "a quoted text was expected");
  std::string text;
  for (++i; i < line.size(); ++i) {
    if (line[i] == '"') {
      ++i;
      return text;
    }
    if (line[i] == '\\') {
      if (i + 1 >= line.size()) break;
      if (line[i + 1] != '\\' && line[i + 1] != '"') {
        Bad(number, "a backslash in a quoted text escapes only \\ or \"");
      }
      ++i;
    }
    text += line[i];
  }
  Bad(number, "the quoted text is not closed");
}

bool ParseRoot(const std::string& name, RegistryRoot& root) {
  for (RegistryRoot candidate : {RegistryRoot::ClassesRoot, RegistryRoot::CurrentUser,
                                 RegistryRoot::LocalMachine, RegistryRoot::Users}) {
    if (name == RootName(candidate)) {
      root = candidate;
      return true;
    }
  }
  return false;
}

bool IsLowerHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

SimValue ParseValue(const std::string& line, std::size_t number) {
  SimValue value;
  std::size_t i = 0;
  if (!line.empty() && line[0] == '@') {
    i = 1;
  } else {
    value.name = Unquote(line, i, number);
    if (value.name.empty()) Bad(number, "the default value is written @, not \"\"");
    if (Utf16Length(value.name) > kLongestValueName) {
      Bad(number, "a value name longer than 16,383 characters");
    }
  }
  if (i >= line.size() || line[i] != '=') Bad(number, "'=' was expected after the value name");
  ++i;
  if (line.compare(i, 6, "dword:") == 0) {
    const std::string hex = line.substr(i + 6);
    if (hex.size() != 8 || !std::all_of(hex.begin(), hex.end(), IsLowerHex)) {
      Bad(number, "dword: needs eight hexadecimal digits (0-9, a-f)");
    }
    value.type = SimValue::Type::Dword;
    value.number = static_cast<std::uint32_t>(std::strtoul(hex.c_str(), nullptr, 16));
    return value;
  }
  value.text = Unquote(line, i, number);
  if (i != line.size()) Bad(number, "text after the closing quote");
  return value;
}

// A [ROOT\path] line: the key's root and its path below it, checked against Windows' limits
// and against what was read before it.
struct Section {
  RegistryRoot root = RegistryRoot::CurrentUser;
  std::string path;
};

Section ParseSection(const std::string& line, std::size_t number) {
  if (line.size() < 2 || line.back() != ']') Bad(number, "a key line must end with ']'");
  const std::string whole = line.substr(1, line.size() - 2);
  const std::size_t slash = whole.find('\\');
  Section section;
  if (!ParseRoot(whole.substr(0, slash), section.root)) {
    Bad(number,
        "the key does not begin with HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, "
        "HKEY_LOCAL_MACHINE or HKEY_USERS");
  }
  if (slash == std::string::npos) return section;
  section.path = whole.substr(slash + 1);
  std::size_t levels = 0, start = 0;
  for (;;) {
    const std::size_t end = std::min(section.path.find('\\', start), section.path.size());
    if (end == start) Bad(number, "an empty key name (a backslash doubled or at the end)");
    if (Utf16Length(std::string_view(section.path).substr(start, end - start)) > kLongestKeyName)
      Bad(number, "a key name longer than 255 characters");
    if (++levels > kDeepestKey) Bad(number, "a key more than 512 levels below its root");
    if (end == section.path.size()) break;
    start = end + 1;
  }
  return section;
}

}  // namespace

std::string SimRegistry::SaveText() const {
  std::string out = "REGEDIT4\r\n\r\n";
  for (const SimKeyNode& root : roots_) SaveKey(root, root.name, out);
  return out;
}

void SimRegistry::LoadText(const std::string& text) {
  const std::size_t nul = text.find('\0');
  if (nul != std::string::npos) Bad(LineAt(text, nul), "a NUL byte");
  const std::vector<std::string> lines = SplitScriptLines(text);
  if (lines.empty() || lines[0] != "REGEDIT4") Bad(1, "the text does not begin with REGEDIT4");
  SimRegistry loaded;
  std::set<std::string> keysRead;    // KeyId of every key line so far
  std::set<std::string> valuesRead;  // upper-cased names of the current key's values
  std::unique_ptr<RegistryKey> key;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const std::size_t number = i + 1;
    if (line.empty()) continue;
    if (line[0] == '[') {
      const Section section = ParseSection(line, number);
      const std::size_t last = section.path.rfind('\\');
      // Parents first, as SaveText writes them: every key the text makes has a line of its own,
      // so what is saved again is no larger than what was read.
      if (last != std::string::npos &&
          !loaded.KeyExists(section.root, section.path.substr(0, last))) {
        Bad(number, "the key's parent key must come before it");
      }
      if (!keysRead.insert(KeyId(section.root, section.path)).second) {
        Bad(number, "the key is given twice");
      }
      key = loaded.CreateKey(section.root, section.path);
      valuesRead.clear();
      continue;
    }
    if (!key) Bad(number, "a value before the first key");
    const SimValue value = ParseValue(line, number);
    if (!valuesRead.insert(FoldPathCase(value.name)).second) {
      Bad(number, "the value is given twice in its key");
    }
    if (value.type == SimValue::Type::Dword) {
      key->WriteInteger(value.name, static_cast<std::int32_t>(value.number));
    } else {
      key->WriteString(value.name, value.text);
    }
  }
  key.reset();
  for (int r = 0; r < 4; ++r) roots_[r] = std::move(loaded.roots_[r]);
}

}  // namespace setup
