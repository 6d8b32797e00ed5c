#pragma once
// The check of a three-language licence text before it becomes payload entry 0.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace setup::mksetup {

// The markers ("GERMAN", "ENGLISH", "FRENCH") that no line of text equals, compared as whole
// lines without regard to ASCII case and without trimming, as the setup cuts the licence.
std::vector<std::string> MissingLicenceMarkers(const std::string& text);

struct CrLfLicence {
  std::vector<std::uint8_t> bytes;  // every line end CR LF; the same bytes when all were
  std::size_t firstLoneLine = 0;    // 1-based line of the first lone LF or CR; 0: none
  std::size_t loneLines = 0;        // lines that ended in one
};

// The licence with CR LF line ends. The setup's licence control breaks lines only at CR LF, so a
// licence saved with LF or CR line ends would show as one run-on paragraph; the lines are those
// the setup cuts by (CR, LF, CR LF), and a last line with no end is left without one.
CrLfLicence WithCrLfLineEnds(std::vector<std::uint8_t> licence);

}  // namespace setup::mksetup
