#pragma once
// How Windows reads the folders of a path: the folders above one, and a folder as a prefix.
#include <string>
#include <string_view>

namespace setup {

// The folder that holds a folder, as Windows reads the path: "\" and "/" both separate and a
// run of them is one separator, so "C:\New\\Sub" lies in "C:\New". Empty when nothing above
// it needs making: the folder is a drive root ("C:\"), a UNC share ("\\server\share") or a
// single name, or lies directly in one of them. The result has no trailing separator.
std::string ParentFolder(const std::string& folder);

// True for a folder that names the same place from every current drive and folder: a drive
// letter, a colon and a separator ("C:\..." or "C:/...", which Windows reads alike), or a UNC
// share ("\\server\share..."). "C:x", "\x", "x" and the empty text would be taken against the
// current drive or folder.
bool IsAbsoluteFolder(const std::string& folder);

// Whether an open entry lies where fullPath names it. entryFinal and rootFinal are what Windows
// gives as the final paths of the entry and of fullPath's drive or share ("\\?\C:\x",
// "\\?\UNC\server\share\x"); the place is taken from the root's final path, so a substituted
// or mapped drive still matches, while a junction or link anywhere below the root, the entry
// itself included, ends somewhere else. All three come in one encoding and one letter case.
bool FinalPathMatches(const std::string& entryFinal, const std::string& rootFinal,
                      const std::string& fullPath);

// Appends a backslash unless path already ends in one; the empty text becomes "\".
void EnsureTrailingBackslash(std::string& path);

// Whether Windows opens a device for a name (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9, LPT1-9),
// which it does with any extension too ("NUL.txt") and blanks before the dot.
bool IsDeviceName(std::string_view component);

// The characters no Windows file or folder name may hold, besides the separators and controls.
inline constexpr std::string_view kForbiddenNameCharacters = "<>:\"|?*";

}  // namespace setup
