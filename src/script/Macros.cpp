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
  std::size_t from = 0;
  for (std::size_t at = text.find('%'); at != std::string::npos;) {
    if (at + 1 < text.size() && ToUpperAscii(text[at + 1]) == letter) {
      result.append(text, from, at - from);
      result += value;
      from = at + 2;
      at = text.find('%', from);
    } else {
      at = text.find('%', at + 1);
    }
  }
  result.append(text, from, std::string::npos);
  return result;
}

}  // namespace

std::string ExpandMacros(const SetupState& state, const std::string& text) {
  const std::pair<char, const std::string*> macros[] = {
      {'S', &state.DestinationFolder}, {'A', &state.AppDataFolder},     {'D', &state.DesktopFolder},
      {'P', &state.ProgramsFolder},    {'Q', &state.QuickLaunchFolder},
  };
  std::string result = text;
  // A text without '%' is left as it is by every pass that is still to come; most paths lose
  // their one macro in the first pass, and mksetup check expands every path of a script often.
  for (const auto& [letter, value] : macros) {
    if (result.find('%') == std::string::npos) break;
    result = ReplaceMacro(result, letter, *value);
  }
  return result;
}

}  // namespace setup
