#include "RemovalPlan.h"

#include <algorithm>
#include <memory>
#include <set>
#include <utility>

#include "script/Paths.h"
#include "script/SystemFolders.h"
#include "text/FileFormat.h"
#include "text/ScriptText.h"

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

bool IsSameOrInside(const std::string& path, const std::string& folder) {
  return ToUpperAscii(path) == ToUpperAscii(folder) || IsInsideFolder(path, folder);
}

// A D-record folder that is, or holds, one of the system's own folders.
bool HoldsSystemFolder(const std::string& folder, const RemovalBounds& bounds) {
  for (const std::string& system : bounds.systemFolders)
    if (IsSameOrInside(system, folder)) return true;
  return false;
}

class Containment {
 public:
  Containment(const InstalledProduct& product, const std::string& destination,
              const RemovalBounds& bounds)
      : bounds_(bounds) {
    roots_.push_back(destination);
    for (const LogRecord& record : product.records)
      if (record.kind == RecordKind::Folder && !HoldsSystemFolder(record.argument, bounds))
        roots_.push_back(record.argument);
  }

  bool MayRemove(StepKind kind, const std::string& path) const {
    if (kind == StepKind::Association) return true;
    if (kind == StepKind::Folder) return !HoldsSystemFolder(path, bounds_);
    for (const std::string& root : roots_)
      if (IsInsideFolder(path, root)) return true;
    if (!EndsWith(ToUpperAscii(path), ".LNK")) return false;
    for (const std::string& folder : bounds_.shortcutFolders)
      if (IsInsideFolder(path, folder)) return true;
    return false;
  }

 private:
  const RemovalBounds& bounds_;
  std::vector<std::string> roots_;
};

struct BoundsSource {
  RegistryRoot root;
  const char* key;
  const char* name;
  bool shortcuts;  // a folder the setup puts shortcuts in
};

constexpr BoundsSource kBoundsSources[] = {
    {RegistryRoot::CurrentUser, kUserShellFolders, "Start Menu", true},
    {RegistryRoot::CurrentUser, kUserShellFolders, "Programs", true},
    {RegistryRoot::CurrentUser, kUserShellFolders, "Desktop", true},
    {RegistryRoot::CurrentUser, kUserShellFolders, "AppData", false},
    {RegistryRoot::CurrentUser, kUserShellFolders, "Local AppData", false},
    {RegistryRoot::CurrentUser, kUserShellFolders, "Personal", false},
    {RegistryRoot::CurrentUser, kUserShellFolders, "Startup", false},
    {RegistryRoot::LocalMachine, kCommonShellFolders, "Common Start Menu", true},
    {RegistryRoot::LocalMachine, kCommonShellFolders, "Common Programs", true},
    {RegistryRoot::LocalMachine, kCommonShellFolders, "Common Desktop", true},
    {RegistryRoot::LocalMachine, kCommonShellFolders, "Common AppData", false},
    {RegistryRoot::LocalMachine, kCommonShellFolders, "Common Documents", false},
    {RegistryRoot::LocalMachine, kCurrentVersionKey, "ProgramFilesDir", false},
    {RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot",
     false},
    {RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "SystemRoot",
     false},
};

std::string ReadFolder(Registry& registry, const BoundsSource& source) {
  std::unique_ptr<RegistryKey> key = registry.OpenKey(source.root, source.key);
  if (!key) return {};
  std::string folder = key->ReadString(source.name);
  if (folder.empty()) return {};
  if (folder.back() != '\\') folder += '\\';
  return CheckFullPath(folder) == PathFault::None ? folder : std::string();
}

}  // namespace

RemovalBounds ReadRemovalBounds(Registry& registry) {
  RemovalBounds bounds;
  for (const BoundsSource& source : kBoundsSources) {
    const std::string folder = ReadFolder(registry, source);
    if (folder.empty()) continue;
    bounds.systemFolders.push_back(folder);
    if (source.shortcuts) bounds.shortcutFolders.push_back(folder);
    // Quick launch lies below the user's application data, for both kinds of installation.
    if (std::string(source.name) == "AppData") {
      bounds.shortcutFolders.push_back(folder + kQuickLaunchSubFolder);
      bounds.systemFolders.push_back(folder + kQuickLaunchSubFolder);
    }
  }
  return bounds;
}

std::string UninstallKeyPath(const std::string& productName) {
  return kUninstallRoot + productName;
}

RemovalPlan MakeRemovalPlan(const InstalledProduct& product, const std::string& uninstallerPath,
                            const RemovalBounds& bounds) {
  RemovalPlan plan;
  const Containment containment(product, FolderPart(uninstallerPath), bounds);
  const std::string selfUpper = ToUpperAscii(uninstallerPath);
  const std::string selfFolderUpper = FolderPart(selfUpper);
  const std::string logPath = FolderPart(uninstallerPath) + kLogFileName;
  const std::string logUpper = ToUpperAscii(logPath);
  std::set<std::pair<StepKind, std::string>> seen;
  for (auto record = product.records.rbegin(); record != product.records.rend(); ++record) {
    StepKind kind = StepFor(record->kind);
    std::string upper = ToUpperAscii(record->argument);
    if (!seen.insert({kind, upper}).second) continue;
    if (!containment.MayRemove(kind, record->argument)) {
      plan.leftAlone.push_back(record->argument);
      continue;
    }
    if (kind == StepKind::File) plan.productFiles.push_back(record->argument);
    if (kind == StepKind::File && upper == selfUpper) {
      plan.selfPath = uninstallerPath;
    } else if (kind == StepKind::Folder && StartsWith(selfFolderUpper, upper)) {
      plan.selfFolders.push_back(record->argument);
    } else if (!(kind == StepKind::File && upper == logUpper)) {
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
