#include "RemovalPlan.h"

#include <algorithm>
#include <set>
#include <utility>

#include "script/Paths.h"
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

}  // namespace

std::string UninstallKeyPath(const std::string& productName) {
  return kUninstallRoot + productName;
}

RemovalPlan MakeRemovalPlan(const InstalledProduct& product, const std::string& uninstallerPath) {
  RemovalPlan plan;
  const std::string selfUpper = ToUpperAscii(uninstallerPath);
  const std::string selfFolderUpper = FolderPart(selfUpper);
  const std::string logPath = FolderPart(uninstallerPath) + kLogFileName;
  const std::string logUpper = ToUpperAscii(logPath);
  std::set<std::pair<StepKind, std::string>> seen;
  for (auto record = product.records.rbegin(); record != product.records.rend(); ++record) {
    StepKind kind = StepFor(record->kind);
    std::string upper = ToUpperAscii(record->argument);
    if (!seen.insert({kind, upper}).second) continue;
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
