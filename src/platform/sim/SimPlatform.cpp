#include "platform/sim/SimPlatform.h"

namespace setup {
namespace {

struct DefaultFolder {
  RegistryRoot root;
  const char* key;
  const char* name;
  const char* folder;  // "<user>" is the login name
};

constexpr const char* kUserShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kCommonShellFolders =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

constexpr DefaultFolder kDefaultFolders[] = {
    {RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
     "C:\\Program Files"},
    {RegistryRoot::CurrentUser, kUserShellFolders, "AppData",
     "C:\\Users\\<user>\\AppData\\Roaming"},
    {RegistryRoot::CurrentUser, kUserShellFolders, "Desktop", "C:\\Users\\<user>\\Desktop"},
    {RegistryRoot::CurrentUser, kUserShellFolders, "Programs",
     "C:\\Users\\<user>\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
    {RegistryRoot::LocalMachine, kCommonShellFolders, "Common AppData", "C:\\ProgramData"},
    {RegistryRoot::LocalMachine, kCommonShellFolders, "Common Desktop",
     "C:\\Users\\Public\\Desktop"},
    {RegistryRoot::LocalMachine, kCommonShellFolders, "Common Programs",
     "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
};

constexpr const char* kQuickLaunch =
    "C:\\Users\\<user>\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch";

std::string ForUser(std::string folder, const std::string& user) {
  const std::size_t at = folder.find("<user>");
  if (at != std::string::npos) folder.replace(at, 6, user);
  return folder;
}

}  // namespace

SimPlatform::SimPlatform(std::filesystem::path root) : drives(std::move(root)) {
  std::filesystem::create_directories(drives.DriveFolder('C'));
}

void SimPlatform::AddDefaultSystemFolders() {
  for (const DefaultFolder& entry : kDefaultFolders) {
    const std::string folder = ForUser(entry.folder, session.loginName);
    if (auto key = registry.CreateKey(entry.root, entry.key)) key->WriteString(entry.name, folder);
    files.CreateDirectories(folder);
  }
  files.CreateDirectories(ForUser(kQuickLaunch, session.loginName));
}

}  // namespace setup
