#pragma once
// The D and F lines of a source tree, written into a new script or brought up to date in one a
// person has edited: lines that still name a file or folder of the tree stay byte for byte, those
// whose file is gone go, and the tree's new entries get lines in the tree's order beside them.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "input/ScriptFile.h"
#include "input/SourceTree.h"

namespace setup::mksetup {

// The tree's entries as a script lists them: %SUnInstall.EXE among the %S files in its place
// when the tree lacks it (build then takes the built uninstaller), and a D line for %A itself
// when the tree has an A/ part, so that the uninstaller removes that product folder too.
std::vector<TreeEntry> ScriptEntries(const SourceTree& tree);

// "D*%Sdocs\" for a folder, "F*%Sdocs\Read me.txt" for a file (UTF-8).
std::string EntryLine(const TreeEntry& entry);

// The main program when one is obvious: the one .exe file in %S besides the uninstaller, or,
// with none there, the one in all of %S. Nothing when there are none or several.
std::optional<std::string> MainProgramOf(const std::vector<TreeEntry>& entries);

// The read-me of a language (G, E or F) in %S: LiesMich, ReadMe or LisezMoi (any case, any
// extension, .txt first), ReadMe standing in for a language without its own.
std::optional<std::string> ReadMeOf(const std::vector<TreeEntry>& entries, char language);

struct RefreshedScript {
  std::vector<std::uint8_t> bytes;
  std::size_t added = 0, removed = 0;
  // A Windows-1252 script that a new name made UTF-8 with the byte-order mark, and why:
  // "U+0414 of %SДокументы\".
  bool becameUtf8 = false;
  std::string why;
};

// The script with its D and F lines brought up to date with entries (ScriptEntries). The first
// line and the header are never touched, nor any line other than D and F. An F line stays as it
// is while it names a file of the tree (in any letter case, of any language; an F line that
// names no place in a tree stays too); it goes when the tree lost its file. A D line stays
// unless the tree lost its folder and with it every F line the script had in it (and no K line
// puts a shortcut there): a D line a person wrote for a folder of his own stays. Each entry
// without a line gets one, after the line of the entry before it in the tree's order. New lines
// take the script's line break and its encoding: UTF-8 in a UTF-8 script (marked or not), else
// Windows-1252, unless a new name has a character that code page lacks; then the whole script
// becomes UTF-8 with the byte-order mark, its other lines the same text. Throws ToolError for a
// script shorter than its header, or in UTF-16.
RefreshedScript RefreshScript(const ScriptFile& script, const std::vector<TreeEntry>& entries);

}  // namespace setup::mksetup
