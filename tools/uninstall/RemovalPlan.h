#pragma once
// What the uninstaller removes, and in which order, worked out from the log alone.
#include <string>
#include <vector>

#include "UninstallRecords.h"
#include "platform/Registry.h"

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

// Where removal may reach beyond the destination (the folder of UnInstall.LOG and of the
// uninstaller): the folders where the setup puts shortcuts, and the system's own folders, which
// no D record can make removable (the setup never creates them, so a record naming one, or a
// folder above one, is not the setup's).
struct RemovalBounds {
  std::vector<std::string> shortcutFolders;  // start menu, desktop, quick launch; both kinds
  std::vector<std::string> systemFolders;    // each with a trailing backslash
};

// The bounds as this machine's registry gives them: the Shell Folders of the user and of all
// users, the program files folder and the Windows folder.
RemovalBounds ReadRemovalBounds(Registry& registry);

struct RemovalPlan {
  std::vector<RemovalStep> steps;  // for the running uninstaller, in this order
  // The running program cannot delete its own file, nor the folders that hold it: a copy in
  // the temporary folder does that after it has ended. Set only when the log names the file.
  std::string selfPath;
  std::vector<std::string> selfFolders;  // D-record folders holding it, innermost first
  // Records outside the bounds: never touched, reported as left alone.
  std::vector<std::string> leftAlone;
  // The recorded files that may be removed: a file type's command and icon are the setup's only
  // while they name one of them.
  std::vector<std::string> productFiles;
};

// The key of the uninstall registration of a product under HKEY_LOCAL_MACHINE.
std::string UninstallKeyPath(const std::string& productName);

// The records in reverse order, each file, folder and extension once (paths compared without
// regard to ASCII case, as Windows does), the uninstaller's own file and folders put aside for
// the copy, then the registration and the log. uninstallerPath is the running program's path.
// Files are removed only inside the destination, inside a D-record folder that holds no system
// folder, or, for shortcuts (".lnk"), inside a shortcut folder; folders only when a D record
// names them and they hold no system folder. Everything else goes to leftAlone.
RemovalPlan MakeRemovalPlan(const InstalledProduct& product, const std::string& uninstallerPath,
                            const RemovalBounds& bounds = {});

}  // namespace setup
