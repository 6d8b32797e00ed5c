#pragma once
// What `mksetup check` finds in a script: what the setup would silently ignore or get wrong.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ScriptFile.h"

namespace setup::mksetup {

enum class Severity { Warning, Error };

struct Finding {
  std::size_t line = 0;  // 1-based; 0 for the script as a whole
  Severity severity = Severity::Warning;
  std::string reason;
};

struct CheckOptions {
  std::optional<std::filesystem::path> source;  // compare the S line and find the files
  std::optional<std::filesystem::path>
      licence;  // counted in the S value; default source/licence.txt
  std::optional<std::filesystem::path> uninstaller;
};

// The shortcut path limit: the setup converts it into a buffer of 127 UTF-16 units.
inline constexpr std::size_t kShortcutPathLimit = 126;

// The folders that the shortcut length estimate puts in for the macros (Windows Vista and later
// with a 20-letter user name, the folders a one-user installation resolves).
struct TypicalFolders {
  std::string destination, appData, desktop, programs, quickLaunch;
};
TypicalFolders TypicalFoldersFor(const std::string& defaultSubFolder);

// Edit distance (insertions, deletions, substitutions) between two byte strings.
std::size_t EditDistance(const std::string& a, const std::string& b);

// Findings in line order.
std::vector<Finding> CheckScript(const ScriptFile& script, const CheckOptions& options);

}  // namespace setup::mksetup
