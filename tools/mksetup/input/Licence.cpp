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

CrLfLicence WithCrLfLineEnds(std::vector<std::uint8_t> licence) {
  CrLfLicence result;
  std::size_t line = 1;
  for (std::size_t i = 0; i < licence.size(); ++i) {
    const std::uint8_t byte = licence[i];
    if (byte != '\r' && byte != '\n') continue;
    const bool crLf = byte == '\r' && i + 1 < licence.size() && licence[i + 1] == '\n';
    if (!crLf && result.loneLines++ == 0) result.firstLoneLine = line;
    if (crLf) ++i;
    ++line;
  }
  if (result.loneLines == 0) {
    result.bytes = std::move(licence);
    return result;
  }
  result.bytes.reserve(licence.size() + result.loneLines);
  for (std::size_t i = 0; i < licence.size(); ++i) {
    const std::uint8_t byte = licence[i];
    if (byte == '\r' || byte == '\n') {
      result.bytes.push_back('\r');
      result.bytes.push_back('\n');
      if (byte == '\r' && i + 1 < licence.size() && licence[i + 1] == '\n') ++i;
    } else {
      result.bytes.push_back(byte);
    }
  }
  return result;
}

}  // namespace setup::mksetup
