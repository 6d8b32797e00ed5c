#pragma once
// A source tree listed as the script can name it: every file and folder below its macro folders
// (S/, A/, D/, P/, Q/), each with its F or D path (UTF-8), in the order a script lists them.
// mksetup init writes its D and F lines from the list; check warns of the files no F line names.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace setup::mksetup {

struct TreeEntry {
  // As a line names it, in UTF-8: "%Sdocs\Read me.txt"; a folder ends with a backslash
  // ("%Sdocs\"). The macro folders themselves are no entries.
  std::string path;
  std::filesystem::path host;  // where it lies
  bool folder = false;
  std::string refusal;  // why no line of a script can name it; empty when one can
};

struct SourceTree {
  std::filesystem::path root;
  bool plain = false;  // a folder without S/ or A/, taken as the S/ part
  // Each macro folder in the order S, A, D, P, Q; in each folder its files, then its
  // sub-folders, each sub-folder followed by what it holds; names in the order of ListsBefore.
  std::vector<TreeEntry> entries;
  std::size_t files = 0, folders = 0;
};

// Whether Windows lists the name a before b, as `dir` does on NTFS: letters folded as the file
// system folds them (FoldPathCase), then compared as UTF-16 units, so "b.txt" comes before
// "C.txt", "Zebra" before "Ärger" (U+00C4), and "𝔸" (a surrogate pair) before "ｦ" (U+FF66).
bool ListsBefore(const std::string& a, const std::string& b);

// The tree below root; a root without S/ or A/ (any letter case) is the S/ part itself, as
// build takes it (IsPlainTree). A host name is UTF-8, or Windows-1252 when its bytes are no
// UTF-8. A name is refused (the entry's refusal) when Windows forbids it, a line would read a
// macro in it, it differs from another only in letter case, or it is a link out of the tree, to
// nothing, or to a folder above it; a refused folder is not entered. Throws ToolError when a
// folder cannot be read.
SourceTree ListSourceTree(const std::filesystem::path& root);

// The key of a script path as a line names a tree entry ("%SDOCS\README.TXT", "%SDOCS\" for a
// folder): separators as build matches them, letters folded by FoldPathCase, so that a line naming
// the entry in another letter case or with slashes has the entry's key. Nothing for a path that
// has no place in a tree (SourceParts refuses it).
std::optional<std::string> TreeKey(const std::string& scriptPath, bool folder);

// Every entry by its TreeKey.
std::map<std::string, std::size_t> EntriesByKey(const SourceTree& tree);

}  // namespace setup::mksetup
