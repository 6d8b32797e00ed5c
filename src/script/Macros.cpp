#include "script/Macros.h"

#include <utility>

#include "text/ScriptText.h"

namespace setup {
namespace {

// One pass: every occurrence of '%' + letter (either case) is replaced, and the search goes on
// after the inserted value so that the value itself is never expanded by this pass.
std::string ReplaceMacro(const std::string& text, char letter, const std::string& value) {
  std::string result;
  result.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '%' && i + 1 < text.size() && ToUpperAscii(text[i + 1]) == letter) {
      result += value;
      i += 2;
    } else {
      result += text[i++];
    }
  }
  return result;
}

}  // namespace

std::string ExpandMacros(const SetupState& state, const std::string& text) {
  const std::pair<char, const std::string*> macros[] = {
      {'S', &state.DestinationFolder}, {'A', &state.AppDataFolder},     {'D', &state.DesktopFolder},
      {'P', &state.ProgramsFolder},    {'Q', &state.QuickLaunchFolder},
  };
  std::string result = text;
  for (const auto& [letter, value] : macros) result = ReplaceMacro(result, letter, *value);
  return result;
}

}  // namespace setup
