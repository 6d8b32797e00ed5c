#pragma once
// Where the file of an F line lies in a source tree: its path with the macro letter as the first
// folder ("%SDM.DAT" -> S/DM.DAT, "%Alibs\x.lib" -> A/libs/x.lib), matched without regard to
// ASCII case, as Windows would find it.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace setup::mksetup {

// The path's parts under the source tree: the macro letter upper-cased, then the folders and
// the file name as written. Backslashes and slashes separate; empty parts and "." are dropped.
// Throws ToolError(what: reason) for a path that does not start with %S %A %D %P or %Q, has
// ".." in it, or names no file.
std::vector<std::string> SourceParts(const std::string& scriptPath, const std::string& what);

// The existing file under root that the parts name, each part matched exactly or else without
// regard to ASCII case; nothing when there is none. Throws ToolError when a part matches two
// entries only by case.
std::optional<std::filesystem::path> FindSource(const std::filesystem::path& root,
                                                const std::vector<std::string>& parts,
                                                const std::string& what);

// root joined with the parts as they are: where extract writes the file.
std::filesystem::path TargetPath(const std::filesystem::path& root,
                                 const std::vector<std::string>& parts);

}  // namespace setup::mksetup
