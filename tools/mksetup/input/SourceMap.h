#pragma once
// Where the file of an F line lies in a source tree: its path with the macro letter as the first
// folder ("%SDM.DAT" -> S/DM.DAT, "%Alibs\x.lib" -> A/libs/x.lib), matched without regard to
// ASCII case, as Windows would find it. A tree without S/ and A/ is the S/ part itself.
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "io/ToolError.h"

namespace setup::mksetup {

// A source entry that is no file to package: a device, a pipe, a socket, a link to nothing.
// Reading one would hang the build or package what the build machine makes up on the spot.
class SourceKindError : public ToolError {
 public:
  using ToolError::ToolError;
};

// The path's parts under the source tree: the macro letter upper-cased, then the folders and
// the file name as written. Backslashes and slashes separate; empty parts and "." are dropped.
// Throws ToolError(what: reason) for a path that does not start with %S %A %D %P or %Q, has
// ".." in it, or names no file.
std::vector<std::string> SourceParts(const std::string& scriptPath, const std::string& what);

// Whether root is a product's folder as it is, without S/ and A/ (in any letter case): its files
// are those of %S, so %SDM.DAT is root/DM.DAT.
bool IsPlainTree(const std::filesystem::path& root, const std::string& what);

// Finds entries under one root as FindSource does, remembering the folders it has matched: a
// product's thousands of files lie in a few hundred folders, and matching each folder again for
// every file in it took most of a check's time. The tree is taken not to change meanwhile.
class SourceFinder {
 public:
  explicit SourceFinder(std::filesystem::path root) : root_(std::move(root)) {}
  const std::filesystem::path& Root() const { return root_; }
  std::optional<std::filesystem::path> Find(const std::vector<std::string>& parts,
                                            const std::string& what);

 private:
  std::filesystem::path root_;
  std::optional<bool> plain_;  // IsPlainTree, once asked
  // The parts below the root that led to a folder, each followed by '/' (which no part holds).
  std::unordered_map<std::string, std::filesystem::path> folders_;
};

// The existing entry under root that the parts name (in a plain tree, %S's parts below root), each
// part matched exactly or else without regard to ASCII case; nothing when there is none or it is a
// folder (any other kind is the caller's to refuse, so that it is not mistaken for a missing file).
// Throws ToolError when a part matches two entries only by case.
std::optional<std::filesystem::path> FindSource(const std::filesystem::path& root,
                                                const std::vector<std::string>& parts,
                                                const std::string& what);

// Why file, found under root, cannot be taken from the tree: a symbolic link on its way that
// leads out of root, named with where it leads (a linked ReadMe.txt would package whatever the
// build machine keeps there, a private file say); nothing when the file stays within root.
// checked: a folder on file's way already found to stay within root, so that only the names
// below it are looked at (a walk of the tree looks at each folder once, not once per file).
std::optional<std::string> LinkOutOfTree(const std::filesystem::path& root,
                                         const std::filesystem::path& file,
                                         const std::filesystem::path& checked = {});

// Why file is no regular file to package ("a named pipe", ...), links followed; nothing for a
// regular file.
std::optional<std::string> NotARegularFile(const std::filesystem::path& file);

// root joined with the parts as they are: where extract writes the file.
std::filesystem::path TargetPath(const std::filesystem::path& root,
                                 const std::vector<std::string>& parts);

}  // namespace setup::mksetup
