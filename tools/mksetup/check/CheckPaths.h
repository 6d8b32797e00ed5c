#pragma once
// Paths that Windows cannot write as the script spells them: device names, components that end
// in a dot or a blank, characters no file name may hold, ".." climbing out of the folder the
// path starts in, and paths longer than MAX_PATH in the default destination.
#include <cstddef>
#include <string>
#include <vector>

#include "Findings.h"
#include "script/SetupState.h"

namespace setup::mksetup {

// Adds a finding for each problem of path (macro text of line) to findings; typical holds the
// folders that the length is measured with.
void CheckWindowsPath(std::vector<Finding>& findings, std::size_t line, const std::string& path,
                      const SetupState& typical);

}  // namespace setup::mksetup
