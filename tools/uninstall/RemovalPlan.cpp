#include "RemovalPlan.h"

#include <algorithm>
#include <memory>
#include <set>
#include <string_view>
#include <utility>

#include "script/Paths.h"
#include "script/SystemFolders.h"
#include "text/FileFormat.h"
#include "text/FolderPath.h"
#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup {
namespace {

constexpr const char* kUninstallRoot = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\uninstall\\";

StepKind StepFor(RecordKind kind) {
  switch (kind) {
    case RecordKind::Folder:
      return StepKind::Folder;
    case RecordKind::Association:
      return StepKind::Association;
    case RecordKind::File:
      break;
  }
  return StepKind::File;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// "\\host\share\" of a server path in upper case, empty for a drive path.
std::string ShareOf(const std::string& path) {
  if (path.compare(0, 2, "\\\\") != 0) return {};
  const std::size_t host = path.find('\\', 2);
  if (host == std::string::npos) return {};
  const std::size_t share = path.find('\\', host + 1);
  return FoldPathCase(share == std::string::npos ? path + "\\" : path.substr(0, share + 1));
}

bool IsLoopbackHost(const std::string& host) {
  return host == "LOCALHOST" || host == "." || host == "::1" || host == "[::1]" ||
         host.compare(0, 4, "127.") == 0 || host == "0:0:0:0:0:0:0:1";
}

// C$, ADMIN$, IPC$ and the like: every server shares its drives and its Windows folder so.
bool IsAdministrativeShare(const std::string& share) {
  return (share.size() == 2 && share[1] == '$') || share == "ADMIN$" || share == "IPC$" ||
         share == "PRINT$";
}

// A server path that reaches this machine's own drives, or any machine's administrative share:
// the same system folders under a name the folder bounds do not know.
bool IsSystemShare(const std::string& path, const RemovalBounds& bounds) {
  const std::string share = ShareOf(path);
  if (share.empty()) return false;
  const std::size_t cut = share.find('\\', 2);
  const std::string host = share.substr(2, cut - 2);
  const std::string name = share.substr(cut + 1, share.size() - cut - 2);
  if (IsAdministrativeShare(name) || IsLoopbackHost(host)) return true;
  for (const std::string& local : bounds.localHosts)
    if (FoldPathCase(local) == host) return true;
  return false;
}

bool IsSystemFileType(const std::string& extension) {
  const std::string upper = ToUpperAscii(extension);
  for (std::string_view system : kSystemExtensions)
    if (upper == system) return true;
  return false;
}

class Containment {
 public:
  Containment(const InstalledProduct& product, const std::string& destination,
              const RemovalBounds& bounds)
      : bounds_(bounds), paths_(bounds.key), destinationShare_(ShareOf(FoldPath(destination))) {
    roots_.push_back(destination);
    for (const LogRecord& record : product.records)
      if (record.kind == RecordKind::Folder && IsProductFolder(FoldPath(record.argument)))
        roots_.push_back(FoldPath(record.argument));
  }

  // path as logged; judged as Windows will open it.
  bool MayRemove(StepKind kind, const std::string& logged) const {
    if (kind == StepKind::Association) return !IsSystemFileType(logged);
    const std::string path = FoldPath(logged);
    if (ReachesSystemShare(path)) return false;
    if (kind == StepKind::Folder) {
      for (const std::string& root : roots_)
        if (paths_.SameOrInside(path, root)) return !HoldsSystemFolder(path);
      return false;
    }
    if (InsideAny(path, roots_)) return true;
    return EndsWith(ToUpperAscii(path), ".LNK") && InsideAny(path, bounds_.shortcutFolders);
  }

 private:
  bool InsideAny(const std::string& path, const std::vector<std::string>& folders) const {
    for (const std::string& folder : folders)
      if (paths_.Inside(path, folder)) return true;
    return false;
  }

  // A folder that is, or holds, one of the system's own folders.
  bool HoldsSystemFolder(const std::string& folder) const {
    for (const std::string& system : bounds_.systemFolders)
      if (paths_.SameOrInside(system, folder)) return true;
    return false;
  }

  bool ReachesSystemShare(const std::string& path) const {
    return IsSystemShare(path, bounds_) && ShareOf(path) != destinationShare_;
  }

  bool IsProductFolder(const std::string& folder) const {
    return InsideAny(folder, bounds_.productParents) && !HoldsSystemFolder(folder) &&
           !ReachesSystemShare(folder);
  }

  const RemovalBounds& bounds_;
  const PathCompare paths_;
  const std::string destinationShare_;
  std::vector<std::string> roots_;
};

struct BoundsSource {
  RegistryRoot root;
  const char* key;
  const char* name;
  bool shortcuts;  // a folder the setup puts shortcuts in
  bool parent;     // a folder the setup may create product folders in
};

constexpr const char* kNtCurrentVersion = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
// The 32-bit view's own values, for a 64-bit uninstaller; a 32-bit one sees them at the usual key.
constexpr const char* kWow64CurrentVersion =
    "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* kProfileList = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

constexpr BoundsSource kBoundsSources[] = {
    {RegistryRoot::CurrentUser, kUserShellFolders, "Start Menu", true, false},
    {RegistryRoot::CurrentUser, kUserShellFolders, "Programs", true, true},
    {RegistryRoot::CurrentUser, kUserShellFolders, "Desktop", true, false},
    {RegistryRoot::CurrentUser, kUserShellFolders, "AppData", false, true},
    {RegistryRoot::CurrentUser, kUserShellFolders, "Local AppData", false, true},
    {RegistryRoot::CurrentUser, kUserShellFolders, "Personal", false, false},
    {RegistryRoot::CurrentUser, kUserShellFolders, "My Pictures", false, false},
    {RegistryRoot::CurrentUser, kUserShellFolders, "My Music", false, false},
    {RegistryRoot::CurrentUser, kUserShellFolders, "My Video", false, false},
    {RegistryRoot::CurrentUser, kUserShellFolders, "Favorites", false, false},
    {RegistryRoot::CurrentUser, kUserShellFolders, "Startup", false, false},
    {RegistryRoot::CurrentUser, kUserShellFolders, "SendTo", false, false},
    {RegistryRoot::CurrentUser, kUserShellFolders, "Templates", false, false},
    {RegistryRoot::LocalMachine, kCommonShellFolders, "Common Start Menu", true, false},
    {RegistryRoot::LocalMachine, kCommonShellFolders, "Common Programs", true, true},
    {RegistryRoot::LocalMachine, kCommonShellFolders, "Common Desktop", true, false},
    {RegistryRoot::LocalMachine, kCommonShellFolders, "Common AppData", false, true},
    {RegistryRoot::LocalMachine, kCommonShellFolders, "Common Documents", false, false},
    {RegistryRoot::LocalMachine, kCommonShellFolders, "Common Startup", false, false},
    {RegistryRoot::LocalMachine, kCurrentVersionKey, "ProgramFilesDir", false, true},
    {RegistryRoot::LocalMachine, kCurrentVersionKey, "ProgramFilesDir (x86)", false, true},
    {RegistryRoot::LocalMachine, kCurrentVersionKey, "ProgramW6432Dir", false, true},
    {RegistryRoot::LocalMachine, kCurrentVersionKey, "CommonFilesDir", false, false},
    {RegistryRoot::LocalMachine, kCurrentVersionKey, "CommonFilesDir (x86)", false, false},
    {RegistryRoot::LocalMachine, kCurrentVersionKey, "CommonW6432Dir", false, false},
    {RegistryRoot::LocalMachine, kWow64CurrentVersion, "ProgramFilesDir", false, true},
    {RegistryRoot::LocalMachine, kWow64CurrentVersion, "CommonFilesDir", false, false},
    {RegistryRoot::LocalMachine, kNtCurrentVersion, "SystemRoot", false, false},
    {RegistryRoot::LocalMachine, kCurrentVersionKey, "SystemRoot", false, false},
    // Every user's profile lies below the profiles folder, so it and the shared profiles are
    // system folders whoever runs the uninstaller.
    {RegistryRoot::LocalMachine, kProfileList, "ProfilesDirectory", false, false},
    {RegistryRoot::LocalMachine, kProfileList, "Public", false, false},
    {RegistryRoot::LocalMachine, kProfileList, "Default", false, false},
    {RegistryRoot::LocalMachine, kProfileList, "AllUsersProfile", false, false},
};

constexpr const char* kComputerNameKeys[] = {
    "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
    "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ActiveComputerName"};

std::string ReadValue(Registry& registry, RegistryRoot root, const std::string& key,
                      const char* name) {
  std::unique_ptr<RegistryKey> opened = registry.OpenKey(root, key);
  return opened ? opened->ReadString(name) : std::string();
}

// The profile list keeps its folders unexpanded ("%SystemDrive%\Users"); the Windows folder
// gives both variables.
std::string Expanded(const std::string& folder, const std::string& systemRoot) {
  const std::string upper = ToUpperAscii(folder);
  const std::string drive = "%SYSTEMDRIVE%", root = "%SYSTEMROOT%";
  if (upper.compare(0, drive.size(), drive) == 0 && systemRoot.size() >= 2)
    return systemRoot.substr(0, 2) + folder.substr(drive.size());
  if (upper.compare(0, root.size(), root) == 0 && !systemRoot.empty())
    return systemRoot + folder.substr(root.size());
  return folder;
}

std::string ReadFolder(Registry& registry, RegistryRoot root, const std::string& key,
                       const char* name, const std::string& systemRoot) {
  std::string folder = Expanded(ReadValue(registry, root, key, name), systemRoot);
  if (folder.empty()) return {};
  EnsureTrailingBackslash(folder);
  return CheckFullPath(folder) == PathFault::None ? folder : std::string();
}

// Every user's profile, one sub-key per account: a profile may lie outside the profiles folder
// (D:\Profiles\alice), and another user's is none of this user's shell folders.
std::vector<std::string> ReadProfileFolders(Registry& registry, const std::string& systemRoot) {
  std::vector<std::string> folders;
  const std::unique_ptr<RegistryKey> list =
      registry.OpenKey(RegistryRoot::LocalMachine, kProfileList);
  if (!list) return folders;
  for (const std::string& account : list->SubKeyNames()) {
    const std::string folder =
        ReadFolder(registry, RegistryRoot::LocalMachine, std::string(kProfileList) + "\\" + account,
                   "ProfileImagePath", systemRoot);
    if (!folder.empty()) folders.push_back(folder);
  }
  return folders;
}

}  // namespace

RemovalBounds ReadRemovalBounds(Registry& registry) {
  RemovalBounds bounds;
  std::string systemRoot =
      ReadValue(registry, RegistryRoot::LocalMachine, kNtCurrentVersion, "SystemRoot");
  if (!systemRoot.empty() && systemRoot.back() == '\\') systemRoot.pop_back();
  for (const BoundsSource& source : kBoundsSources) {
    const std::string folder =
        ReadFolder(registry, source.root, source.key, source.name, systemRoot);
    if (folder.empty()) continue;
    bounds.systemFolders.push_back(folder);
    if (source.shortcuts) bounds.shortcutFolders.push_back(folder);
    if (source.parent) bounds.productParents.push_back(folder);
    // Quick launch lies below the user's application data, for both kinds of installation.
    if (std::string(source.name) == "AppData") {
      bounds.shortcutFolders.push_back(folder + kQuickLaunchSubFolder);
      bounds.systemFolders.push_back(folder + kQuickLaunchSubFolder);
    }
  }
  for (std::string& folder : ReadProfileFolders(registry, systemRoot))
    bounds.systemFolders.push_back(std::move(folder));
  for (const char* key : kComputerNameKeys)
    if (std::string name = ReadValue(registry, RegistryRoot::LocalMachine, key, "ComputerName");
        !name.empty())
      bounds.localHosts.push_back(name);
  return bounds;
}

std::string PathCompare::KeyOf(const std::string& path) const {
  const std::string folded = FoldPath(path);
  std::string key = key_ ? key_(folded) : FoldPathCase(folded);
  if (!path.empty() && path.back() == '\\' && (key.empty() || key.back() != '\\')) key += '\\';
  return key;
}

bool PathCompare::Inside(const std::string& path, const std::string& folder) const {
  const std::string folderKey = KeyOf(folder);
  const std::string pathKey = KeyOf(path);
  return !folderKey.empty() && folderKey.back() == '\\' && pathKey.size() > folderKey.size() &&
         pathKey.compare(0, folderKey.size(), folderKey) == 0;
}

bool PathCompare::SameOrInside(const std::string& path, const std::string& folder) const {
  return Same(path, folder) || Inside(path, folder);
}

std::string UninstallKeyPath(const std::string& productName) {
  return kUninstallRoot + productName;
}

RemovalPlan MakeRemovalPlan(const InstalledProduct& product, const std::string& uninstallerPath,
                            const RemovalBounds& bounds) {
  RemovalPlan plan;
  const Containment containment(product, FolderPart(uninstallerPath), bounds);
  const PathCompare paths(bounds.key);
  const std::string selfKey = paths.KeyOf(uninstallerPath);
  const std::string selfFolderKey = FolderPart(selfKey);
  const std::string logPath = FolderPart(uninstallerPath) + kLogFileName;
  const std::string logKey = paths.KeyOf(logPath);
  std::set<std::pair<StepKind, std::string>> seen;
  for (auto record = product.records.rbegin(); record != product.records.rend(); ++record) {
    StepKind kind = StepFor(record->kind);
    // An extension is no path: the file system has nothing to resolve in it.
    const std::string key = kind == StepKind::Association ? FoldPathCase(record->argument)
                                                          : paths.KeyOf(record->argument);
    if (!seen.insert({kind, key}).second) continue;
    if (!containment.MayRemove(kind, record->argument)) {
      plan.leftAlone.push_back(record->argument);
      continue;
    }
    if (kind == StepKind::File) plan.productFiles.push_back(record->argument);
    if (kind == StepKind::File && key == selfKey) {
      plan.selfPath = uninstallerPath;
    } else if (kind == StepKind::Folder && StartsWith(selfFolderKey, key)) {
      plan.selfFolders.push_back(record->argument);
    } else if (!(kind == StepKind::File && key == logKey)) {
      plan.steps.push_back({kind, record->argument});
    }
  }
  // Innermost first, whatever order the D records had.
  std::stable_sort(plan.selfFolders.begin(), plan.selfFolders.end(),
                   [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  plan.steps.push_back({StepKind::UninstallKey, UninstallKeyPath(product.productName)});
  plan.steps.push_back({StepKind::Log, logPath});
  // A program the log does not name stays, and so its folders stay; try them all the same, so
  // that they appear among what could not be removed.
  if (plan.selfPath.empty()) {
    for (std::string& folder : plan.selfFolders) plan.steps.push_back({StepKind::Folder, folder});
    plan.selfFolders.clear();
  }
  return plan;
}

}  // namespace setup
