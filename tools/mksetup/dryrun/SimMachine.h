#pragma once
// The simulated machine that mksetup run leaves in a host folder and mksetup uninstall takes
// up again: its drives, its registry text and the message boxes shown on the way.
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "command/Arguments.h"
#include "platform/sim/SimPlatform.h"
#include "platform/sim/SimUserInterface.h"

namespace setup::mksetup {

// The drives of --drive D=DIR: a letter other than C (C: is the root's own) and a host folder
// that exists, each letter once. Throws UsageError otherwise.
std::map<char, std::filesystem::path> DrivesOf(const Arguments& parsed);

// The account of --profile PATH: its profile folder ("C:\Users\Дмитрий", no backslash at the
// end) and its login name, the folder's last name. Nothing without the option; throws
// UsageError for a path that is no folder on a drive or has a name Windows forbids.
struct SimProfile {
  std::string folder, loginName;
};
std::optional<SimProfile> ProfileOf(const Arguments& parsed);

// The user's own shell folders (AppData, Desktop, Programs) below the profile, written to the
// user's registry over what was there, and made with the Quick Launch folder, as Windows has
// them for an account of that profile.
void UseProfile(SimPlatform& sim, const SimProfile& profile);

// The registry an earlier run into the same root left (ROOT/registry.txt): at most 16 MB, to be
// checked line by line by SimRegistry::LoadText. Nothing when there is no such file; throws
// ToolError("FILE: error: reason") when it cannot be read.
std::optional<std::string> EarlierRegistry(const std::filesystem::path& file);

// Writes the file whole or not at all.
void WriteTextFile(const std::filesystem::path& path, const std::string& text);

// A box as the user saw it: its caption, its text (each line break a new indented line) and
// the button that closed it, as one line for stderr.
std::string BoxText(const SimQuestion& box, bool answer);

}  // namespace setup::mksetup
