// The simulated registry as REGEDIT4-like text, and back.
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "platform/Error.h"
#include "platform/sim/SimRegistry.h"
#include "text/ScriptText.h"

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
  throw SetupError("registry text, line " + std::to_string(line) + ": " + reason);
}

// Reads a quoted text from position i (at the opening quote); i ends after the closing quote.
std::string Unquote(const std::string& line, std::size_t& i, std::size_t number) {
  if (i >= line.size() || line[i] != '"') Bad(number, "a quoted text was expected");
  std::string text;
  for (++i; i < line.size(); ++i) {
    if (line[i] == '"') {
      ++i;
      return text;
    }
    if (line[i] == '\\' && i + 1 < line.size()) ++i;
    text += line[i];
  }
  Bad(number, "the quoted text is not closed");
}

bool ParseRoot(const std::string& name, RegistryRoot& root) {
  for (RegistryRoot candidate : {RegistryRoot::ClassesRoot, RegistryRoot::CurrentUser,
                                 RegistryRoot::LocalMachine, RegistryRoot::Users}) {
    if (ToUpperAscii(name) == RootName(candidate)) {
      root = candidate;
      return true;
    }
  }
  return false;
}

SimValue ParseValue(const std::string& line, std::size_t number) {
  SimValue value;
  std::size_t i = 0;
  if (!line.empty() && line[0] == '@') {
    i = 1;
  } else {
    value.name = Unquote(line, i, number);
  }
  if (i >= line.size() || line[i] != '=') Bad(number, "'=' was expected after the value name");
  ++i;
  if (line.compare(i, 6, "dword:") == 0) {
    const std::string hex = line.substr(i + 6);
    char* end = nullptr;
    const unsigned long parsed = std::strtoul(hex.c_str(), &end, 16);
    if (hex.size() != 8 || *end != '\0') Bad(number, "dword: needs eight hexadecimal digits");
    value.type = SimValue::Type::Dword;
    value.number = static_cast<std::uint32_t>(parsed);
    return value;
  }
  value.text = Unquote(line, i, number);
  if (i != line.size()) Bad(number, "text after the closing quote");
  return value;
}

}  // namespace

std::string SimRegistry::SaveText() const {
  std::string out = "REGEDIT4\r\n\r\n";
  for (const SimKeyNode& root : roots_) SaveKey(root, root.name, out);
  return out;
}

void SimRegistry::LoadText(const std::string& text) {
  const std::vector<std::string> lines = SplitScriptLines(text);
  if (lines.empty() || lines[0] != "REGEDIT4") Bad(1, "the text does not begin with REGEDIT4");
  SimRegistry loaded;
  std::unique_ptr<RegistryKey> key;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.empty()) continue;
    if (line[0] == '[') {
      if (line.back() != ']') Bad(i + 1, "a key line must end with ']'");
      const std::string path = line.substr(1, line.size() - 2);
      RegistryRoot root;
      if (!ParseRoot(path.substr(0, path.find('\\')), root)) Bad(i + 1, "unknown root key");
      const std::size_t slash = path.find('\\');
      key = loaded.CreateKey(root, slash == std::string::npos ? "" : path.substr(slash + 1));
      continue;
    }
    if (!key) Bad(i + 1, "a value before the first key");
    const SimValue value = ParseValue(line, i + 1);
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
