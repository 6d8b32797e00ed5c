#pragma once
// What the uninstaller removes, and in which order, worked out from the log alone.
#include <string>
#include <vector>

#include "UninstallRecords.h"

namespace setup {

enum class StepKind {
  File,          // a file or shortcut of an F record; a missing one is no error
  Association,   // the keys ".EXT" and "EXTfile", only while .EXT still names EXTfile
  Folder,        // a folder of a D record, only when it is empty
  UninstallKey,  // HKLM ...\uninstall\<product>
  Log,           // UnInstall.LOG itself
};

struct RemovalStep {
  StepKind kind;
  std::string target;  // path, extension or key path
};

struct RemovalPlan {
  std::vector<RemovalStep> steps;  // for the running uninstaller, in this order
  // The running program cannot delete its own file, nor the folders that hold it: a copy in
  // the temporary folder does that after it has ended. Set only when the log names the file.
  std::string selfPath;
  std::vector<std::string> selfFolders;  // D-record folders holding it, innermost first
};

// The key of the uninstall registration of a product under HKEY_LOCAL_MACHINE.
std::string UninstallKeyPath(const std::string& productName);

// The records in reverse order, each file, folder and extension once (paths compared without
// regard to ASCII case, as Windows does), the uninstaller's own file and folders put aside for
// the copy, then the registration and the log. uninstallerPath is the running program's path.
RemovalPlan MakeRemovalPlan(const InstalledProduct& product, const std::string& uninstallerPath);

}  // namespace setup
