// The uninstaller's plan over arbitrary logs, as a property: whatever a log says, nothing is
// planned outside the places an installation can have made. A file or folder lies in the
// destination, below a folder products are put in, or (a shortcut) in a shortcut folder; no
// folder products are put in, nor the Windows folder, nor anything above one of them, is ever a
// folder to remove; no file of the Windows folder goes; no system file type; no other product's
// registration. The first byte picks where the uninstaller stands, the rest is UnInstall.LOG.
#include <cstddef>
#include <cstdint>
#include <string>

#include "RemovalPlan.h"
#include "UninstallRecords.h"
#include "script/Paths.h"
#include "text/FileFormat.h"
#include "text/ScriptText.h"

namespace {

using namespace setup;

const RemovalBounds& Bounds() {
  static const RemovalBounds bounds = [] {
    RemovalBounds b;
    const std::string roaming = "C:\\Users\\bob\\AppData\\Roaming\\";
    b.shortcutFolders = {roaming + "Microsoft\\Windows\\Start Menu\\Programs\\",
                         "C:\\Users\\bob\\Desktop\\",
                         roaming + "Microsoft\\Internet Explorer\\Quick Launch\\",
                         "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\",
                         "C:\\Users\\Public\\Desktop\\"};
    b.productParents = {"C:\\Program Files\\", "C:\\Program Files (x86)\\", roaming,
                        "C:\\ProgramData\\",   b.shortcutFolders[0],        b.shortcutFolders[3]};
    b.systemFolders = {"C:\\Windows\\",
                       "C:\\Windows\\System32\\",
                       "C:\\Windows\\SysWOW64\\",
                       "C:\\Program Files\\",
                       "C:\\Program Files (x86)\\",
                       "C:\\Users\\",
                       "C:\\Users\\bob\\",
                       "C:\\Users\\bob\\Documents\\",
                       "C:\\Users\\alice\\",
                       "C:\\Users\\Public\\",
                       roaming,
                       "C:\\ProgramData\\"};
    for (const std::string& folder : b.shortcutFolders) b.systemFolders.push_back(folder);
    b.localHosts = {"LOCALHOST", "PC"};
    return b;
  }();
  return bounds;
}

constexpr const char* kUninstallers[] = {
    "C:\\Program Files (x86)\\Prod\\UnInstall.EXE",
    "C:\\Users\\bob\\AppData\\Roaming\\Prod\\UnInstall.EXE",
    "D:\\Apps\\Prod\\UnInstall.EXE",
    "\\\\server\\share\\Prod\\UnInstall.EXE",
};

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

// Inside the destination, below a folder products are put in, or a shortcut in a shortcut folder.
bool InAPlace(const PathCompare& compare, const std::string& destination, const std::string& path,
              bool shortcut) {
  if (compare.SameOrInside(path, destination)) return true;
  for (const std::string& parent : Bounds().productParents) {
    if (compare.Inside(path, parent)) return true;
  }
  if (!shortcut) return false;
  for (const std::string& folder : Bounds().shortcutFolders) {
    if (compare.Inside(path, folder)) return true;
  }
  return false;
}

void CheckFolder(const PathCompare& compare, const std::string& destination,
                 const std::string& folder) {
  Require(InAPlace(compare, destination, folder, false));
  for (const std::string& system : Bounds().systemFolders) {
    Require(!compare.SameOrInside(system, folder));  // neither it nor anything above it
  }
}

void CheckFile(const PathCompare& compare, const std::string& destination,
               const std::string& file) {
  const std::string upper = ToUpperAscii(file);
  const bool shortcut = upper.size() > 4 && upper.compare(upper.size() - 4, 4, ".LNK") == 0;
  Require(InAPlace(compare, destination, file, shortcut));
  Require(!compare.Inside(file, "C:\\Windows\\"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string uninstaller = kUninstallers[data[0] % std::size(kUninstallers)];
  const LogReading reading =
      ReadUninstallLog(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  if (!reading.product) return 0;
  const RemovalPlan plan = MakeRemovalPlan(*reading.product, uninstaller, Bounds());
  const PathCompare compare;
  const std::string destination = FolderPart(uninstaller);
  for (const RemovalStep& step : plan.steps) {
    switch (step.kind) {
      case StepKind::File:
        CheckFile(compare, destination, step.target);
        break;
      case StepKind::Folder:
        CheckFolder(compare, destination, step.target);
        break;
      case StepKind::Association:
        for (const std::string_view system : kSystemExtensions) {
          Require(ToUpperAscii(step.target) != system);
        }
        break;
      case StepKind::UninstallKey:
        Require(step.target == UninstallKeyPath(reading.product->productName));
        break;
      case StepKind::Log:
        Require(compare.Same(step.target, destination + kLogFileName));
        break;
    }
  }
  if (!plan.selfPath.empty()) Require(compare.Same(plan.selfPath, uninstaller));
  for (const std::string& folder : plan.selfFolders) CheckFolder(compare, destination, folder);
  return 0;
}
