#include "payload/LicenceText.h"

#include <vector>

#include "text/LanguageCode.h"
#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup {
namespace {

struct LicenceMarkers {
  char language;
  const char* own;
  const char* others[2];
};

// English is the fallback for any other language code.
constexpr LicenceMarkers kMarkers[] = {
    {'G', "GERMAN", {"ENGLISH", "FRENCH"}},
    {'F', "FRENCH", {"ENGLISH", "GERMAN"}},
    {'E', "ENGLISH", {"GERMAN", "FRENCH"}},
};

constexpr long kNoLaterMarker = 100000000;

const LicenceMarkers& MarkersFor(char language) {
  for (const LicenceMarkers& markers : kMarkers) {
    if (markers.language == LanguageOfCode(language)) return markers;
  }
  return kMarkers[2];
}

// The index of the first line equal to the marker without regard to ASCII case, or -1.
long FindMarker(const std::vector<std::string>& lines, const char* marker) {
  const std::string wanted = marker;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (ToUpperAscii(lines[i]) == wanted) return static_cast<long>(i);
  }
  return -1;
}

}  // namespace

std::string ReadLicenceText(PayloadReader& payload) {
  MemorySink sink;
  payload.NextEntry().InflateTo(sink);
  return DecodeScriptText(ByteSpan(sink.bytes));
}

std::string SelectLicenceText(const std::string& allLicenceText, char language) {
  std::vector<std::string> lines = SplitScriptLines(allLicenceText);
  const LicenceMarkers& markers = MarkersFor(language);
  const long own = FindMarker(lines, markers.own);
  const long firstOther = FindMarker(lines, markers.others[0]);
  const long secondOther = FindMarker(lines, markers.others[1]);
  long cut = kNoLaterMarker;
  if (firstOther > own) cut = firstOther;
  if (secondOther > own && secondOther < cut) cut = secondOther;
  const long last = static_cast<long>(lines.size()) - 1;
  if (cut > own && cut <= last) lines.erase(lines.begin() + cut, lines.end());
  if (own >= 0) lines.erase(lines.begin(), lines.begin() + own + 1);
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace setup
