#pragma once
// The lines of the summary page, built from the controls' texts in the language in force.
#include <string>
#include <vector>

#include "wizard/DialogControls.h"

namespace setup {

// Ten lines, one more for each of DesktopBox and QuickLaunchBox when ticked.
std::vector<std::string> SummaryLines(const DialogControls& controls);

// A memo's text: every line followed by CR LF, the last one included.
std::string JoinMemoLines(const std::vector<std::string>& lines);

}  // namespace setup
