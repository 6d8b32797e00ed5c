#include "install/SystemEffects.h"

#include <cstdint>
#include <limits>

#include "platform/Error.h"
#include "script/Paths.h"
#include "text/FileFormat.h"
#include "text/ScriptText.h"

namespace setup {
namespace {

void SetString(RegistryKey* key, const std::string& name, const std::string& value) {
  if (key == nullptr || !key->WriteString(name, value)) {
    throw SetupError("Failed to set data for '" + name + "'");
  }
}

}  // namespace

void CreateShellLink(Platform& platform, const std::string& linkPath, const std::string& program,
                     const std::string& arguments) {
  if (platform.shell.SaveShortcut(linkPath, program, FolderPart(program), arguments)) return;
  platform.ui.AskUser("SETUP.EXE", "Problems with link \r \"" + linkPath + "\"!", 48);
}

void RegisterFileType(Registry& registry, const std::string& extension, const std::string& program,
                      const std::string& description) {
  const std::string type = extension + "file";
  struct KeyValues {
    std::string path;
    std::vector<std::pair<std::string, std::string>> values;
  };
  const KeyValues keys[] = {
      {"." + extension, {{"", type}, {"Content Type", description}}},
      {type, {{"", description}}},
      {type + "\\DefaultIcon", {{"", program + ",1"}}},
      {type + "\\Shell\\open\\command", {{"", program + " \"%1\""}}},
  };
  for (const KeyValues& entry : keys) {
    auto key = registry.CreateKey(RegistryRoot::ClassesRoot, entry.path);
    if (!key) continue;
    for (const auto& [name, value] : entry.values) SetString(key.get(), name, value);
  }
}

bool IsIntegerText(const std::string& text) {
  const std::size_t start = (!text.empty() && text[0] == '-') ? 1 : 0;
  if (text.size() <= start) return false;
  for (std::size_t i = start; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

void WriteRegistryValue(Registry& registry, bool allUsers, const std::string& key,
                        const std::string& name, const std::string& value) {
  auto opened = allUsers ? registry.CreateKey(RegistryRoot::Users, ".DEFAULT\\" + key)
                         : registry.CreateKey(RegistryRoot::CurrentUser, key);
  if (!opened) return;
  if (!IsIntegerText(value)) return SetString(opened.get(), name, value);
  // An integer text (leading zeros are fine) outside the 32-bit range is an error, not a string.
  const std::optional<std::int32_t> number = ParseInt32(value);
  if (!number) throw SetupError("'" + value + "' is not a valid integer value");
  if (!opened->WriteInteger(name, *number)) {
    throw SetupError("Failed to set data for '" + name + "'");
  }
}

void RegisterUninstaller(Registry& registry, const std::string& productName,
                         const std::string& destinationFolder, const std::string& logDigest,
                         const std::vector<UninstallValue>& extras) {
  auto key =
      registry.CreateKey(RegistryRoot::LocalMachine,
                         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\uninstall\\" + productName);
  SetString(key.get(), "DisplayName", productName);
  // Quoted: Windows splits an unquoted path with blanks at the first blank.
  SetString(key.get(), "UninstallString", "\"" + destinationFolder + kUninstallerFileName + "\"");
  SetString(key.get(), kLogDigestValue, logDigest);
  for (const UninstallValue& extra : extras) {
    if (!extra.number) {
      SetString(key.get(), extra.name, extra.value);
      continue;
    }
    // mksetup checked the number; one that still does not read is not written half.
    const std::optional<std::int32_t> number = ParseInt32(extra.value);
    if (!number || !key || !key->WriteInteger(extra.name, *number)) {
      throw SetupError("Failed to set data for '" + extra.name + "'");
    }
  }
}

}  // namespace setup
