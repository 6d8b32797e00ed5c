#pragma once
// Where mksetup finds the Windows programs it needs when no option names them.
#include <filesystem>
#include <optional>
#include <string>

namespace setup::mksetup {

// The folder of the running mksetup binary.
std::filesystem::path ToolFolder();

// Where an installed mksetup keeps the Windows programs, relative to its own folder (bin/).
inline constexpr const char* kInstalledProgramsFolder = "../share/morvex-setup";

// The first of: fileName under <toolFolder>/../share/morvex-setup (an installed mksetup) or
// beside the binary; envValue when set and not empty; <toolFolder>/../../win32/bin/fileName (the
// build tree's layout). A file must exist to be taken, except the one the environment names,
// which is taken as given so that a wrong name is reported as that name. Nothing when none fits.
std::optional<std::filesystem::path> FindWindowsProgramFrom(const std::filesystem::path& toolFolder,
                                                            const char* envValue,
                                                            const std::string& fileName);

// FindWindowsProgramFrom for the running binary and the environment variable envName.
std::optional<std::filesystem::path> FindWindowsProgram(const char* envName,
                                                        const std::string& fileName);

}  // namespace setup::mksetup
