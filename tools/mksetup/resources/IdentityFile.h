#pragma once
// The vendor's identity file of mksetup build --identity FILE (docs/identity-file.md): what the
// setup.exe calls itself beside the script, one "Key = Value" line each, "#" starts a comment
// line, UTF-8 (plain ASCII is too). Every key is optional: what the file leaves out keeps the
// built-in value. The values the setup reads go into the RCDATA resource kIdentityResource; the
// version texts and numbers replace the stub's version resource.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "VersionInfo.h"
#include "check/Findings.h"
#include "pe/ResourceTree.h"
#include "script/VendorIdentity.h"
#include "text/Bytes.h"

namespace setup::mksetup {

// How a value is checked.
enum class IdentityKind {
  Folder,    // a folder below the start menu's programs folder, parts between backslashes
  AddOnKey,  // upper-case letters, digits, _ and -
  Text,      // a text of one line, not empty
  AnyText,   // a text of one line, may be empty
  Version,   // four numbers 0..65535 with dots between
  Number,    // a REG_DWORD the setup writes as a signed 32-bit number
  Url,       // http:// or https://, no blanks
  Choice,    // one of the words of choices
};

// Where a value ends up.
enum class IdentityUse { Setup, VersionResource, Uninstall };

struct IdentityKey {
  const char* name;
  IdentityKind kind;
  IdentityUse use;
  std::size_t longest = 0;        // characters; 0 for Version, Number and Choice
  const char* choices = nullptr;  // Choice: the words, "|" between them
};

// Every key, in the order the resource and an extracted file list them.
const std::vector<IdentityKey>& IdentityKeys();

struct IdentityEntry {
  std::string key;    // as IdentityKeys() spells it
  std::string value;  // UTF-8
  std::size_t line = 0;
};

struct Identity {
  std::string file;
  std::vector<IdentityEntry> entries;  // in IdentityKeys() order, each key once
  // Values of known keys that were refused: what the vendor meant, for checking the script
  // against (a refused folder would otherwise make the built-in one's D line look missing).
  std::vector<IdentityEntry> refused;
  const std::string* Value(const std::string& key) const;
};

// The file's values that passed; each problem is an error finding with the file and its line
// (codes identity-syntax, identity-key, identity-twice, identity-empty, identity-long,
// identity-character, identity-folder, identity-version, identity-number, identity-url,
// identity-choice, and encoding). Throws ToolError when the file cannot be read.
Identity ReadIdentityFile(const std::filesystem::path& path, std::vector<Finding>& findings);
Identity ParseIdentity(const std::string& file, const std::vector<std::uint8_t>& utf8,
                       std::vector<Finding>& findings);

// The kIdentityResource text: "Key=Value" lines, CR LF, in IdentityKeys() order; Windows-1252
// when every character has a byte there, else UTF-8 after the byte-order mark.
std::vector<std::uint8_t> IdentityResourceText(const Identity& identity);

// An identity file (UTF-8) that gives the resource's values back to build.
std::string IdentityFileText(ByteSpan resource);

// What the setup will make of the identity; with meant, the refused values taken as well.
VendorIdentity SetupIdentityOf(const Identity& identity, bool meant = false);

// The stub's version resource with the identity's texts and numbers in, or nothing when the
// identity sets none of them (the stub's then stays as it is).
std::optional<VersionInfo> IdentityVersionInfo(const Identity& identity);

// The kIdentityResource and, when the identity sets any of it, the version resource (in the
// language the stub gave its own). An identity without entries changes nothing.
void ApplyIdentity(const Identity& identity, ResourceTree& tree);

}  // namespace setup::mksetup
