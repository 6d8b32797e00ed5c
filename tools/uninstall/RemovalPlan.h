#pragma once
// What the uninstaller removes, and in which order, worked out from the log alone.
#include <functional>
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
// uninstaller): the folders where the setup puts shortcuts, the folders a D record's folder must
// lie below to be a product's, and the system's own folders, which no D record can make
// removable (the setup never creates them, so a record naming one, or a folder above one, is not
// the setup's). Every folder ends with a backslash.
// The form in which a path is compared: FileSystem::ComparisonKey, short names resolved and
// letters folded as the file system does.
using PathKey = std::function<std::string(const std::string&)>;

struct RemovalBounds {
  std::vector<std::string> shortcutFolders;  // start menu, desktop, quick launch; both kinds
  std::vector<std::string> systemFolders;
  // Both program files folders, the user's and the common application data, the program groups.
  std::vector<std::string> productParents;
  // Names by which this machine reaches itself over the network ("localhost", its own name): a
  // "\\host\share\" path of one of them is a local folder under another name.
  std::vector<std::string> localHosts;
  // Unset: names fold as Windows-1252 letters do, short names stay as written.
  PathKey key;
};

// The bounds as this machine's registry gives them: the Shell Folders of the user and of all
// users, the program files folders of both registry views, the profiles folder, every user's
// profile and the Windows folder.
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

// Paths compared as Windows folds them (FoldPath), then through a PathKey (or, unset, folded as
// Windows-1252 letters): the same entry, and the same entry or one inside a folder (which ends
// in a backslash).
class PathCompare {
 public:
  explicit PathCompare(PathKey key = {}) : key_(std::move(key)) {}
  std::string KeyOf(const std::string& path) const;
  bool Same(const std::string& a, const std::string& b) const { return KeyOf(a) == KeyOf(b); }
  bool SameOrInside(const std::string& path, const std::string& folder) const;
  bool Inside(const std::string& path, const std::string& folder) const;

 private:
  PathKey key_;
};

// The key of the uninstall registration of a product under HKEY_LOCAL_MACHINE.
std::string UninstallKeyPath(const std::string& productName);

// The records in reverse order, each file, folder and extension once (paths compared without
// regard to ASCII case, as Windows does), the uninstaller's own file and folders put aside for
// the copy, then the registration and the log. uninstallerPath is the running program's path.
// A D record's folder is the product's only below one of the product parents, holding no system
// folder and on no administrative or local share. Files are removed only inside the destination
// or such a folder, or, for shortcuts (".lnk"), inside a shortcut folder; folders only when they
// are such a folder or lie inside one; file types only when they are no system type (the
// executor then checks each value). A "\\host\share\" path that reaches a local drive or an
// administrative share (C$, ADMIN$) is never removed unless the destination lies on that very
// share. Everything else goes to leftAlone.
RemovalPlan MakeRemovalPlan(const InstalledProduct& product, const std::string& uninstallerPath,
                            const RemovalBounds& bounds = {});

}  // namespace setup
