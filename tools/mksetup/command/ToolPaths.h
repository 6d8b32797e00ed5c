#pragma once
// Where mksetup finds the Windows programs it needs when no option names them.
#include <filesystem>
#include <optional>
#include <string>

#include "pe/PeFile.h"

namespace setup::mksetup {

// The folder of the running mksetup binary.
std::filesystem::path ToolFolder();

// Where an installed mksetup keeps the Windows programs, relative to its own folder (bin/): the
// x86 ones there, the x64 ones in its x64/ sub-folder.
inline constexpr const char* kInstalledProgramsFolder = "../share/morvex-setup";

// The first of: fileName under <toolFolder>/../share/morvex-setup (an installed mksetup) or
// beside the binary, each in x64/ for an x64 program; envValue when set and not empty;
// <toolFolder>/../../win32/bin/fileName, or win64/bin for x64 (the build tree's layout). A file
// must exist to be taken, except the one the environment names, which is taken as given so that
// a wrong name is reported as that name (and a program of the wrong architecture as that).
// Nothing when none fits.
std::optional<std::filesystem::path> FindWindowsProgramFrom(const std::filesystem::path& toolFolder,
                                                            const char* envValue,
                                                            const std::string& fileName,
                                                            Architecture architecture);

// FindWindowsProgramFrom for the running binary and the environment variable envName.
std::optional<std::filesystem::path> FindWindowsProgram(const char* envName,
                                                        const std::string& fileName,
                                                        Architecture architecture);

// The build preset whose bin/ holds the programs of an architecture: "win32" or "win64".
const char* BuildPresetOf(Architecture architecture);

}  // namespace setup::mksetup
