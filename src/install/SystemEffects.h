#pragma once
// What an installation writes beyond files: shortcuts, file types, registry values and the
// uninstall registration.
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "script/VendorIdentity.h"

namespace setup {

// Saves a shell link to program with its folder as working folder. A failure asks "Problems
// with link" (flags 48, caption "SETUP.EXE") and the run goes on.
void CreateShellLink(Platform& platform, const std::string& linkPath, const std::string& program,
                     const std::string& arguments);

// Writes the four keys of an association under HKEY_CLASSES_ROOT; a key that cannot be opened
// is passed over. Throws SetupError("Failed to set data for '...'") when a value cannot be set.
void RegisterFileType(Registry& registry, const std::string& extension, const std::string& program,
                      const std::string& description);

// Optional minus sign, then one or more digits and nothing else.
bool IsIntegerText(const std::string& text);

// The R line write: HKEY_CURRENT_USER\key, or HKEY_USERS\.DEFAULT\key for all users. A key that
// cannot be opened is skipped; integer texts become REG_DWORD ("'...' is not a valid integer
// value" outside 32 bits), others REG_SZ; a value that cannot be set is "Failed to set data".
void WriteRegistryValue(Registry& registry, bool allUsers, const std::string& key,
                        const std::string& name, const std::string& value);

// HKLM "SOFTWARE\Microsoft\Windows\CurrentVersion\uninstall\" + product: DisplayName, the
// quoted UninstallString and the log's digest (kLogDigestValue). The log lies where a user may
// write; this key only an administrator can, so the uninstaller trusts a log only when its digest
// is the one registered here. The vendor's extras follow (numbers as REG_DWORD), where Windows
// lists installed programs. A key that cannot be made fails at the first value.
void RegisterUninstaller(Registry& registry, const std::string& productName,
                         const std::string& destinationFolder, const std::string& logDigest,
                         const std::vector<UninstallValue>& extras = {});

}  // namespace setup
