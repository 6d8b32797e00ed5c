#include "Licence.h"

#include <algorithm>

#include "text/ScriptText.h"

namespace setup::mksetup {

std::vector<std::string> MissingLicenceMarkers(const std::string& text) {
  const std::vector<std::string> lines = SplitScriptLines(text);
  std::vector<std::string> missing;
  for (const char* marker : {"GERMAN", "ENGLISH", "FRENCH"}) {
    const bool found = std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
      return ToUpperAscii(line) == marker;
    });
    if (!found) missing.push_back(marker);
  }
  return missing;
}

}  // namespace setup::mksetup
