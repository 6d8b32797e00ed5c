#pragma once
// The licence section of one language, cut out of the three-language licence text.
#include <string>

#include "payload/PayloadReader.h"

namespace setup {

// Takes the next entry (entry 0 at start-up) and returns its inflated bytes as text: the whole
// three-language licence.
std::string ReadLicenceText(PayloadReader& payload);

// The section of allLicenceText after the marker line of language ('G' "GERMAN", 'F' "FRENCH",
// anything else "ENGLISH") down to the next marker line of another language, every line ended by
// CR LF. Marker lines are whole lines compared without regard to ASCII case; only the first of
// each counts. Lines are split by the script line rules (so a NUL ends the text, as it ends the
// text of a text control). A missing own marker gives the text before the first other marker.
std::string SelectLicenceText(const std::string& allLicenceText, char language);

}  // namespace setup
