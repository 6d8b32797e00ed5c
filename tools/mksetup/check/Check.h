#pragma once
// What `mksetup check` finds in a script, and what `mksetup build` checks before it writes
// anything: whatever would make the setup stop, install the wrong thing or silently skip a line.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Findings.h"
#include "input/InputText.h"
#include "input/ScriptFile.h"
#include "pe/PeFile.h"
#include "script/VendorIdentity.h"
#include "setupexe/PayloadWriter.h"

namespace setup::mksetup {

struct CheckOptions {
  std::optional<std::filesystem::path> source;  // compare the S line and find the files
  std::optional<std::filesystem::path>
      licence;  // checked and counted in the S value; default source/licence.txt
  std::optional<std::filesystem::path> uninstaller;
  InputEncoding encoding = InputEncoding::Windows1252;  // of the licence (the script is given)
  // The setup.exe's: its Program Files folder and the uninstaller's architecture follow it.
  Architecture architecture = Architecture::X86;
  // --identity: the start-menu folder and the add-on key the setup will take.
  VendorIdentity identity;
};

// The longest path Windows writes without the long-path prefix (MAX_PATH less the NUL).
inline constexpr std::size_t kPathLimit = 259;

// The folders that the path length check puts in for the macros (64-bit Windows Vista and later
// with a 20-letter user name, the folders a one-user installation resolves). An x86 setup.exe
// there is told "C:\Program Files (x86)", an x64 one "C:\Program Files".
struct TypicalFolders {
  std::string destination, appData, desktop, programs, quickLaunch;
};
TypicalFolders TypicalFoldersFor(const std::string& defaultSubFolder, Architecture architecture);

// Edit distance (insertions, deletions, substitutions) between two byte strings.
std::size_t EditDistance(const std::string& a, const std::string& b);

// Findings in line order. The script's bytes are what the setup would get (converted already
// when the file was UTF-8). Given sources, with a source folder in the options, the F lines'
// sources as the check found them go there in line order, once every one was found: a build then
// takes them rather than looking each up again.
std::vector<Finding> CheckScript(const ScriptFile& script, const CheckOptions& options,
                                 std::optional<std::vector<PayloadSource>>* sources = nullptr);

// The script file as the setup would get it (converted from UTF-8 when asked), with the findings
// of the conversion added to findings. Throws ToolError when it cannot be read.
ScriptFile LoadScriptForCheck(const std::filesystem::path& path, InputEncoding encoding,
                              std::vector<Finding>& findings);

}  // namespace setup::mksetup
