#pragma once
// Path helpers shared by the installation run, the shortcuts and the uninstaller: the folder
// part, the folded form every recorded path takes, and what a recorded path may look like.
#include <cstddef>
#include <string>

namespace setup {

// The folder part of a Windows path: everything up to and including its last separator ("\" or
// "/", which Windows takes alike) or drive colon; the empty text when it has none ("x.txt").
std::string FolderPart(const std::string& path);

// The path as Windows folds it before it reaches the file system, so the same file on disk:
// forward slashes become backslashes, runs of backslashes one (a leading "\\" of a server path
// stays), "." steps go, ".." takes the step before it away but never the drive, the server and
// share or the leading backslash of a path on the current drive, and trailing dots and blanks of
// each name are dropped. Every root stays: "C:\", "C:", "\\server\share\" and "\". A trailing
// backslash stays.
std::string FoldPath(const std::string& path);

// The longest path the setup creates (MAX_PATH less the NUL), in UTF-16 units as Windows counts:
// the shell, shortcuts and most programs a product starts cannot open a longer one.
constexpr std::size_t kMaxPathLength = 259;

enum class PathFault {
  None,
  NotFull,      // neither "X:\" nor "\\server\share\" first
  ForeignForm,  // not in its folded form: "/", "\\?\" or "\\.\", empty, "." or ".." steps,
                // a name ending in a dot or blank, a character no file name can hold
  DeviceName,   // CON, NUL, COM1, LPT1... with or without extension
  TooLong,      // longer than kMaxPathLength
};

// Whether path is a full path in exactly the form the setup writes into UnInstall.LOG. A
// trailing backslash (a folder) is allowed; a drive or share root alone is not full.
PathFault CheckFullPath(const std::string& path);

// Whether path lies inside folder (which ends in a backslash), ASCII case ignored; the folder
// itself is not inside itself.
bool IsInsideFolder(const std::string& path, const std::string& folder);

}  // namespace setup
