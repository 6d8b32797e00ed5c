#include "script/SystemFolders.h"

#include "script/Macros.h"
#include "text/FolderPath.h"

namespace setup {
namespace {

struct FolderSource {
  const char* valueName;
  std::string SetupState::*field;
};

constexpr FolderSource kUserFolders[] = {
    {"Desktop", &SetupState::DesktopFolder},
    {"Programs", &SetupState::ProgramsFolder},
    {"AppData", &SetupState::AppDataFolder},
};

constexpr FolderSource kCommonFolders[] = {
    {"Common AppData", &SetupState::AppDataFolder},
    {"Common Desktop", &SetupState::DesktopFolder},
    {"Common Programs", &SetupState::ProgramsFolder},
};

std::string ReadFolder(RegistryKey& key, const char* name) {
  std::string folder = ReadRegistryString(key, name);
  EnsureTrailingBackslash(folder);
  return folder;
}

template <std::size_t N>
void ReadFolders(SetupState& state, RegistryKey& key, const FolderSource (&sources)[N]) {
  for (const FolderSource& source : sources)
    state.*source.field = ReadFolder(key, source.valueName);
}

void ResolveOneUser(SetupState& state, Registry& registry) {
  if (auto key = registry.OpenKey(RegistryRoot::CurrentUser, kUserShellFolders)) {
    ReadFolders(state, *key, kUserFolders);
  }
  state.QuickLaunchFolder = state.AppDataFolder + kQuickLaunchSubFolder;
}

void ResolveAllUsers(SetupState& state, Registry& registry) {
  if (auto key = registry.OpenKey(RegistryRoot::LocalMachine, kCommonShellFolders)) {
    ReadFolders(state, *key, kCommonFolders);
  }
  if (auto key = registry.OpenKey(RegistryRoot::CurrentUser, kUserShellFolders)) {
    // A missing or empty common value has become a lone backslash.
    if (state.ProgramsFolder == "\\") state.ProgramsFolder = ReadFolder(*key, "Programs");
    state.QuickLaunchFolder = ReadFolder(*key, "AppData") + kQuickLaunchSubFolder;
  }
}

}  // namespace

std::string ReadRegistryString(RegistryKey& key, const std::string& name) {
  return key.ReadString(name);
}

void ResolveSystemFolders(SetupState& state, Registry& registry, bool oneUser) {
  if (auto key = registry.OpenKey(RegistryRoot::LocalMachine, kCurrentVersionKey)) {
    state.ProgramFilesFolder = ReadFolder(*key, "ProgramFilesDir");
  }
  if (oneUser) {
    ResolveOneUser(state, registry);
  } else {
    ResolveAllUsers(state, registry);
  }
  state.AppDataFolder += state.DefaultSubFolder;
  EnsureTrailingBackslash(state.AppDataFolder);
}

}  // namespace setup
