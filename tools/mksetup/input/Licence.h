#pragma once
// The check of a three-language licence text before it becomes payload entry 0.
#include <string>
#include <vector>

namespace setup::mksetup {

// The markers ("GERMAN", "ENGLISH", "FRENCH") that no line of text equals, compared as whole
// lines without regard to ASCII case and without trimming, as the setup cuts the licence.
std::vector<std::string> MissingLicenceMarkers(const std::string& text);

}  // namespace setup::mksetup
