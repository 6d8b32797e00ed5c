#include "ScriptFile.h"

#include <algorithm>
#include <utility>

#include "io/FileIo.h"
#include "io/ToolError.h"
#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup::mksetup {
namespace {

// The byte length of the line break that ends a line at offset end (as the splitter reads it).
std::size_t BreakLength(const std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t end) {
  if (at >= end) return 0;
  return bytes[at] == '\r' && at + 1 < end && bytes[at + 1] == '\n' ? 2 : 1;
}

}  // namespace

ScriptFile ParseScriptFile(std::string name, std::vector<std::uint8_t> bytes) {
  ScriptFile script{std::move(name), std::move(bytes), {}, false};
  const ByteSpan all(script.bytes);
  script.utf8 = HasUtf8ByteOrderMark(all);
  // Decoding keeps every CR, LF and NUL and makes none, so both splits give the same lines.
  const std::size_t start = script.utf8 ? kUtf8ByteOrderMark.size() : 0;
  const std::vector<std::string> stored = SplitScriptLines(all.subspan(start));
  std::vector<std::string> lines = SplitScriptLines(DecodeScriptText(all));
  const std::size_t end =
      std::find(script.bytes.begin(), script.bytes.end(), 0) - script.bytes.begin();
  std::size_t offset = start;
  script.lines.reserve(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t length = i < stored.size() ? stored[i].size() : 0;
    script.lines.push_back({std::move(lines[i]), i + 1, offset, length});
    offset += length;
    offset += BreakLength(script.bytes, offset, end);
  }
  return script;
}

ScriptFile LoadScriptFile(const std::filesystem::path& path) {
  return ParseScriptFile(path.string(), ReadWholeFile(path));
}

ScriptFile ScriptFromText(std::string name, const std::string& text) {
  return ParseScriptFile(std::move(name), std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<FileLine> FileLines(const ScriptFile& script) {
  std::vector<FileLine> files;
  for (std::size_t i = kLeadingLines; i < script.lines.size(); ++i) {
    const std::string& text = script.lines[i].text;
    if (text.empty() || ToUpperAscii(text[0]) != kFileAction) continue;
    // The code letter, then the language letter (none on a line of one letter), then the path.
    const char language = text.size() > 1 ? text[1] : '\0';
    files.push_back({script.lines[i].number, language, text.size() > 2 ? text.substr(2) : ""});
  }
  return files;
}

std::vector<std::uint8_t> WithSizeLine(const ScriptFile& script, std::int64_t value) {
  std::vector<std::uint8_t> out;
  std::size_t copied = 0;
  const std::string digits = std::to_string(value);
  for (std::size_t i = 1; i < kLeadingLines && i < script.lines.size(); ++i) {
    const ScriptLine& line = script.lines[i];
    if (line.text.empty() || ToUpperAscii(line.text[0]) != 'S') continue;
    const std::size_t valueStart = line.offset + 1;  // after the code letter
    out.insert(out.end(), script.bytes.begin() + copied, script.bytes.begin() + valueStart);
    out.insert(out.end(), digits.begin(), digits.end());
    copied = line.offset + line.length;
  }
  if (copied == 0) throw ToolError(script.name, "the header has no S line to hold the size");
  out.insert(out.end(), script.bytes.begin() + copied, script.bytes.end());
  return out;
}

}  // namespace setup::mksetup
