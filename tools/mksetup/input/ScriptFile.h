#pragma once
// The setup script as mksetup handles it: its bytes, its lines as the setup reads them (decoded
// to UTF-8, split by the setup's own line splitter) with the place of each in the bytes, and the
// F lines that take payload entries.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "text/FileFormat.h"

namespace setup::mksetup {

struct ScriptLine {
  std::string text;        // UTF-8
  std::size_t number = 0;  // 1-based, as an editor shows it
  std::size_t offset = 0;  // where the line's bytes start in the file
  std::size_t length = 0;  // its bytes there, the line break left out
};

struct ScriptFile {
  std::string name;
  std::vector<std::uint8_t> bytes;  // as stored: Windows-1252, or UTF-8 after the byte-order mark
  std::vector<ScriptLine> lines;
  bool utf8 = false;  // it begins with the byte-order mark
};

// An action line whose code letter is F (either case): the one payload entry it takes.
struct FileLine {
  std::size_t number = 0;
  char language = 0;  // as written
  std::string path;   // the argument text (UTF-8), macros unexpanded
};

ScriptFile ParseScriptFile(std::string name, std::vector<std::uint8_t> bytes);
ScriptFile LoadScriptFile(const std::filesystem::path& path);
ScriptFile ScriptFromText(std::string name, const std::string& text);

// Every F line among the action lines, in script order; header lines never count.
std::vector<FileLine> FileLines(const ScriptFile& script);

// The script's bytes with the value of every S header line replaced by value; every other byte
// stays. Throws ToolError when the header has no S line.
std::vector<std::uint8_t> WithSizeLine(const ScriptFile& script, std::int64_t value);

}  // namespace setup::mksetup
