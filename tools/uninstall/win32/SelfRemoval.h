#pragma once
// An uninstaller cannot delete its own running file. So it copies itself into a new folder with
// a random name in the temporary folder and starts the copy with "/cleanup", an inherited handle of
// itself, its own path and the folders to remove when empty; the copy waits for the original to
// end, deletes it and the folders, and has itself deleted at the next restart
// (MOVEFILE_DELAY_UNTIL_REBOOT).
#include <string>
#include <vector>

#include "RemovalPlan.h"

namespace setup {

bool StartSelfRemoval(const RemovalPlan& plan);

// The copy's work; arguments as the program was started with them, its own name first. Returns
// the exit code.
int RunCleanup(const std::vector<std::string>& arguments);

}  // namespace setup
