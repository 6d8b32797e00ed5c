#include "StandardUser.h"

#include "script/Paths.h"
#include "script/SystemFolders.h"
#include "text/FolderPath.h"
#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup::mksetup {
namespace {

struct ProtectedValue {
  const char* key;
  const char* name;
};

// Only administrators may write there on Windows Vista and later. The common application data
// folder is not among them: every user may create folders in it.
constexpr ProtectedValue kProtectedValues[] = {
    {kCurrentVersionKey, "ProgramFilesDir"},    {kCurrentVersionKey, "ProgramFilesDir (x86)"},
    {kCurrentVersionKey, "ProgramW6432Dir"},    {kCurrentVersionKey, "CommonFilesDir"},
    {kCommonShellFolders, "Common Desktop"},    {kCommonShellFolders, "Common Programs"},
    {kCommonShellFolders, "Common Start Menu"}, {kCommonShellFolders, "Common Startup"},
};

std::string AsFolder(std::string folder) {
  EnsureTrailingBackslash(folder);
  return folder;
}

// A key read as it is and never changed: the user may read what the machine keeps.
class ReadOnlyKey : public RegistryKey {
 public:
  explicit ReadOnlyKey(std::unique_ptr<RegistryKey> key) : key_(std::move(key)) {}
  std::string ReadString(const std::string& name) override { return key_->ReadString(name); }
  bool WriteString(const std::string&, const std::string&) override { return false; }
  bool WriteInteger(const std::string&, std::int32_t) override { return false; }
  std::vector<std::string> SubKeyNames() override { return key_->SubKeyNames(); }

 private:
  std::unique_ptr<RegistryKey> key_;
};

}  // namespace

void StandardUserRights::Restrict(Registry& registry, const std::string& windowsFolder) {
  protectedFolders.clear();
  for (const ProtectedValue& value : kProtectedValues) {
    const std::unique_ptr<RegistryKey> key =
        registry.OpenKey(RegistryRoot::LocalMachine, value.key);
    const std::string folder = key ? ReadRegistryString(*key, value.name) : std::string();
    if (!folder.empty()) protectedFolders.push_back(AsFolder(folder));
  }
  if (!windowsFolder.empty()) protectedFolders.push_back(AsFolder(windowsFolder));
  active = true;
}

bool StandardUserRights::MayWrite(const std::string& path) const {
  if (!active) return true;
  const std::string key = FoldPathCase(AsFolder(FoldPath(path)));
  for (const std::string& folder : protectedFolders) {
    const std::string folderKey = FoldPathCase(FoldPath(folder));
    if (key.compare(0, folderKey.size(), folderKey) == 0) return false;
  }
  return true;
}

bool StandardUserRights::MayWrite(RegistryRoot root) const {
  return !active || root == RegistryRoot::CurrentUser;
}

bool GuardedFileSystem::DirectoryExists(const std::string& path) {
  return machine_.DirectoryExists(path);
}

bool GuardedFileSystem::FileExists(const std::string& path) {
  return machine_.FileExists(path);
}

bool GuardedFileSystem::CreateDirectories(const std::string& path) {
  return rights_.MayWrite(path) ? machine_.CreateDirectories(path) : machine_.DirectoryExists(path);
}

std::unique_ptr<OutputFile> GuardedFileSystem::CreateFileExclusive(const std::string& path) {
  return rights_.MayWrite(path) ? machine_.CreateFileExclusive(path) : nullptr;
}

bool GuardedFileSystem::RemoveFile(const std::string& path) {
  return rights_.MayWrite(path) ? machine_.RemoveFile(path) : !machine_.FileExists(path);
}

bool GuardedFileSystem::RemoveEmptyFolder(const std::string& path) {
  return rights_.MayWrite(path) ? machine_.RemoveEmptyFolder(path)
                                : !machine_.DirectoryExists(path);
}

std::string GuardedFileSystem::ComparisonKey(const std::string& path) {
  return machine_.ComparisonKey(path);
}

std::optional<std::string> GuardedFileSystem::ReadFileBytes(const std::string& path) {
  return machine_.ReadFileBytes(path);
}

std::unique_ptr<RegistryKey> GuardedRegistry::OpenKey(RegistryRoot root, const std::string& path) {
  std::unique_ptr<RegistryKey> key = machine_.OpenKey(root, path);
  if (!key || rights_.MayWrite(root)) return key;
  return std::make_unique<ReadOnlyKey>(std::move(key));
}

// Opening with all access is refused outright, also for a key that exists.
std::unique_ptr<RegistryKey> GuardedRegistry::CreateKey(RegistryRoot root,
                                                        const std::string& path) {
  return rights_.MayWrite(root) ? machine_.CreateKey(root, path) : nullptr;
}

bool GuardedRegistry::DeleteKeyTree(RegistryRoot root, const std::string& path) {
  return rights_.MayWrite(root) ? machine_.DeleteKeyTree(root, path)
                                : !machine_.OpenKey(root, path);
}

bool GuardedRegistry::DeleteKeyIfEmpty(RegistryRoot root, const std::string& path) {
  return rights_.MayWrite(root) ? machine_.DeleteKeyIfEmpty(root, path)
                                : !machine_.OpenKey(root, path);
}

bool GuardedShell::SaveShortcut(const std::string& linkPath, const std::string& program,
                                const std::string& workingFolder, const std::string& arguments) {
  return rights_.MayWrite(linkPath) &&
         machine_.SaveShortcut(linkPath, program, workingFolder, arguments);
}

bool GuardedShell::StartProgram(const std::string& commandLine, int showCommand) {
  return machine_.StartProgram(commandLine, showCommand);
}

}  // namespace setup::mksetup
