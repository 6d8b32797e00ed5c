#pragma once
// The folder macros of script texts and the trailing-backslash rule.
#include <string>

#include "script/SetupState.h"

namespace setup {

// Replaces %S %A %D %P %Q (in that order, one pass each, the letter matched without regard to
// ASCII case) by DestinationFolder, AppDataFolder, DesktopFolder, ProgramsFolder and
// QuickLaunchFolder. A pass never searches the text it has just inserted; later passes do.
std::string ExpandMacros(const SetupState& state, const std::string& text);

}  // namespace setup
