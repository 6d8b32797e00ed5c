#include "script/ScriptHeader.h"

#include <cstdint>
#include <optional>

#include "payload/ByteSize.h"
#include "platform/Error.h"
#include "text/FileFormat.h"
#include "text/LanguageCode.h"
#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup {
namespace {

LanguageFlags ReadLanguagesOffered(const std::string& line) {
  auto at = [&line](std::size_t i) { return i < line.size() ? line[i] : '\0'; };
  LanguageFlags offered;
  offered.German = at(0) == 'D' || at(0) == 'G';
  offered.English = at(1) == 'E';
  offered.French = at(2) == 'F';
  return offered;
}

std::string* ReadMeField(SetupState& state, char language) {
  switch (LanguageOfCode(language)) {
    case 'G':
      return &state.ReadMeGerman;
    case 'E':
      return &state.ReadMeEnglish;
    case 'F':
      return &state.ReadMeFrench;
    default:
      return nullptr;
  }
}

std::string* AddOnCaptionField(SetupState& state, char language) {
  switch (LanguageOfCode(language)) {
    case 'G':
      return &state.AddOnCaptionGerman;
    case 'E':
      return &state.AddOnCaptionEnglish;
    case 'F':
      return &state.AddOnCaptionFrench;
    default:
      return nullptr;
  }
}

void ReadSizeLine(SetupState& state, const std::string& value, std::size_t lineNumber,
                  const std::string& decimalSeparator) {
  const std::optional<std::int32_t> size = ParseInt32(value);
  if (!size) {
    constexpr std::size_t kShown = 40;  // enough to recognise the line, short for a message box
    const std::string shown =
        CharacterCount(value) > kShown ? FirstCharacters(value, kShown) + "..." : value;
    throw SetupError("The setup script is damaged (line " + std::to_string(lineNumber) +
                     ": the S value \"" + shown + "\" is not a whole number from -2147483648 to " +
                     "2147483647)");
  }
  state.SizeText = FormatByteSize(static_cast<float>(*size), decimalSeparator) + "B";
}

void ReadHeaderLine(SetupState& state, std::string line, std::size_t lineNumber,
                    const std::string& decimalSeparator) {
  switch (ToUpperAscii(TakeFirstChar(line))) {
    case 'D':
      state.DefaultSubFolder = line;
      break;
    case 'H':
      state.MainProgram = line;
      break;
    case 'M':
      if (std::string* field = ReadMeField(state, TakeFirstChar(line))) *field = line;
      break;
    case 'N':
      state.PreselectedLanguage = LanguageOfCode(TakeFirstChar(line));
      state.ProductName = line;
      break;
    case 'S':
      ReadSizeLine(state, line, lineNumber, decimalSeparator);
      break;
    case 'V':
      state.VersionText = line;
      break;
    default:
      break;  // another code, or an empty line: still one of the eight
  }
}

}  // namespace

void LoadSetupScript(SetupState& state, Resources& resources) {
  const std::optional<ByteSpan> script = resources.FindRcData(kScriptResource);
  if (!script) throw SetupError(std::string("Resource ") + kScriptResource + " not found");
  state.ScriptLines = SplitScriptLines(DecodeScriptText(*script));
}

void ReadScriptHeader(SetupState& state, const std::string& decimalSeparator) {
  std::vector<std::string>& lines = state.ScriptLines;
  if (lines.size() < kLeadingLines) {
    throw SetupError("The setup script is damaged (it has " + std::to_string(lines.size()) +
                     " lines, fewer than the language line and the eight header lines)");
  }
  state.LanguagesOffered = ReadLanguagesOffered(lines[0]);
  for (std::size_t i = 1; i < kLeadingLines; ++i) {
    ReadHeaderLine(state, lines[i], i + 1, decimalSeparator);
  }
  lines.erase(lines.begin(), lines.begin() + kLeadingLines);
}

void ReadAddOnCaptions(SetupState& state) {
  for (const std::string& scriptLine : state.ScriptLines) {
    if (scriptLine.empty() || ToUpperAscii(scriptLine[0]) != kCaptionAction) continue;
    std::string line = scriptLine.substr(1);
    const char language = TakeFirstChar(line);
    if (SplitFirst(line, "=") != state.Identity.addOnKey) continue;
    if (std::string* field = AddOnCaptionField(state, language)) *field = line;
    state.AddOnTicked = true;
  }
}

}  // namespace setup
