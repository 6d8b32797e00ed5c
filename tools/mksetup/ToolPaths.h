#pragma once
// Where mksetup finds the Windows programs it needs when no option names them.
#include <filesystem>
#include <optional>
#include <string>

namespace setup::mksetup {

// The folder of the running mksetup binary.
std::filesystem::path ToolFolder();

// The program named by the environment variable envName when set; else fileName beside the
// mksetup binary; else <mksetup folder>/../../win32/bin/fileName (the build tree's layout).
// Nothing when none of these exists.
std::optional<std::filesystem::path> FindWindowsProgram(const char* envName,
                                                        const std::string& fileName);

}  // namespace setup::mksetup
