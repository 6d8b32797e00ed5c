#pragma once
// Resolution of the program files folder and the macro folders %A %D %P %Q from the registry.
#include <string>

#include "platform/Registry.h"
#include "script/SetupState.h"

namespace setup {

// Where Windows keeps the folders of one user and of all users, and the quick-launch folder under
// a user's AppData: the setup reads them to place what it installs, the uninstaller to know
// where it may remove.
inline constexpr const char* kCurrentVersionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
inline constexpr const char* kUserShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr const char* kCommonShellFolders =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr const char* kQuickLaunchSubFolder = "Microsoft\\Internet Explorer\\Quick Launch\\";

// The string value name of the open key, or the empty text for anything else (missing, empty,
// another type, a read error).
std::string ReadRegistryString(RegistryKey& key, const std::string& name);

// Sets ProgramFilesFolder, AppDataFolder, DesktopFolder, ProgramsFolder and QuickLaunchFolder for
// a one-user or an all-users installation. Keys are opened, never created; a key that cannot be
// opened leaves the fields it would give unchanged. DefaultSubFolder is appended to AppDataFolder
// on every call, so call it once per leaving of the welcome page.
void ResolveSystemFolders(SetupState& state, Registry& registry, bool oneUser);

}  // namespace setup
