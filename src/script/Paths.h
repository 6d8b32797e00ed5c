#pragma once
// Path helpers shared by the installation run and the shortcuts.
#include <string>

namespace setup {

// The folder part of a Windows path: everything up to and including its last backslash or drive
// colon; the empty text when it has neither ("x.txt").
std::string FolderPart(const std::string& path);

}  // namespace setup
