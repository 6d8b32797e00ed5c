#include "IdentityFile.h"

#include <algorithm>
#include <limits>

#include "check/Check.h"
#include "check/CheckPaths.h"
#include "input/InputText.h"
#include "install/SystemEffects.h"
#include "io/FileIo.h"
#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup::mksetup {
namespace {

using K = IdentityKind;
using U = IdentityUse;

// A file of a few hundred bytes is all the keys; anything far larger is no identity file.
constexpr std::size_t kLargestFile = 64 * 1024;

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") + 1 - first);
}

std::string Shown(const std::string& text) {
  return "\"" + text + "\"";
}

std::optional<FourNumbers> ParseFourNumbers(const std::string& text) {
  FourNumbers numbers{};
  std::size_t at = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    if (i > 0 && (at >= text.size() || text[at++] != '.')) return std::nullopt;
    std::size_t digits = 0;
    unsigned long value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 6) {
      value = value * 10 + static_cast<unsigned long>(text[at++] - '0');
      ++digits;
    }
    if (digits == 0 || value > 65535) return std::nullopt;
    numbers[i] = static_cast<std::uint16_t>(value);
  }
  if (at != text.size()) return std::nullopt;
  return numbers;
}

class ValueChecker {
 public:
  ValueChecker(const std::string& file, std::size_t line, const IdentityKey& key,
               std::vector<Finding>& findings)
      : file_(file), line_(line), key_(key), findings_(findings) {}

  bool Passes(const std::string& value) {
    const std::size_t before = findings_.size();
    if (value.empty()) {
      if (key_.kind != K::AnyText)
        Fail("identity-empty", "no value (leave the key out for the built-in one)");
      return findings_.size() == before;
    }
    // The registry and the version resource count UTF-16 units.
    if (const std::size_t units = Utf16Length(value); key_.longest && units > key_.longest) {
      Fail("identity-long", std::to_string(units) + " characters, more than the " +
                                std::to_string(key_.longest) + " it may have");
    }
    if (std::any_of(value.begin(), value.end(), [](char c) {
          const auto u = static_cast<unsigned char>(c);
          return u < 0x20 || u == 0x7F;
        })) {
      Fail("identity-character",
           "a control character, which neither the registry nor the version resource shows");
    }
    switch (key_.kind) {
      case K::Folder:
        Folder(value);
        break;
      case K::AddOnKey:
        if (!std::all_of(value.begin(), value.end(), [](char c) {
              return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
            })) {
          Fail("identity-character",
               Shown(value) +
                   " may hold only A to Z, 0 to 9, _ and -: T lines name the key "
                   "exactly and E lines are searched in upper case");
        }
        break;
      case K::Version:
        if (!ParseFourNumbers(value)) {
          Fail("identity-version", Shown(value) +
                                       " is not four numbers from 0 to 65535 with "
                                       "dots between them (1.2.3.4)");
        }
        break;
      case K::Number:
        if (!IsIntegerText(value) || value[0] == '-' || !ParseInt32(value)) {
          Fail("identity-number",
               Shown(value) +
                   " is not a whole number from 0 to 2147483647 (a REG_DWORD the "
                   "setup writes)");
        }
        break;
      case K::Url: {
        const std::string upper = ToUpperAscii(value);
        if ((upper.rfind("HTTP://", 0) != 0 && upper.rfind("HTTPS://", 0) != 0) ||
            value.find(' ') != std::string::npos) {
          Fail("identity-url", Shown(value) +
                                   " is no web address: it starts with http:// or "
                                   "https:// and has no blanks");
        }
        break;
      }
      case K::Choice:
        Choice(value);
        break;
      case K::Text:
      case K::AnyText:
        break;
    }
    return findings_.size() == before;
  }

 private:
  void Fail(const char* code, const std::string& reason) {
    findings_.push_back(
        {line_, Severity::Error, std::string(key_.name) + ": " + reason, code, file_});
  }

  void Folder(const std::string& value) {
    if (value.front() == '\\' || value.back() == '\\' || value.find("\\\\") != std::string::npos ||
        value.find('/') != std::string::npos) {
      return Fail("identity-folder",
                  Shown(value) +
                      " is no folder below the start menu: write its parts with one "
                      "\\ between them, none first or last");
    }
    // The main program's shortcut goes into it: measured as a path of the script would be.
    std::vector<Finding> path;
    SetupState typical;
    typical.ProgramsFolder = TypicalFoldersFor("", Architecture::X86).programs;
    CheckWindowsPath(path, line_, "%P" + value + "\\", typical);
    for (const Finding& finding : path) Fail("identity-folder", finding.reason);
  }

  void Choice(const std::string& value) {
    std::string words = key_.choices, shown;
    for (;;) {
      const std::string word = SplitFirst(words, "|");
      if (word == value) return;
      shown += (shown.empty() ? "" : ", ") + word;
      if (words.empty()) break;
    }
    Fail("identity-choice", Shown(value) + " is not one of " + shown);
  }

  const std::string& file_;
  std::size_t line_;
  const IdentityKey& key_;
  std::vector<Finding>& findings_;
};

const IdentityKey* FindKey(const std::string& name) {
  for (const IdentityKey& key : IdentityKeys()) {
    if (ToUpperAscii(name) == ToUpperAscii(key.name)) return &key;
  }
  return nullptr;
}

std::string NearestKey(const std::string& name) {
  std::string nearest;
  std::size_t best = 4;  // farther than three edits is no typing slip
  for (const IdentityKey& key : IdentityKeys()) {
    const std::size_t distance = EditDistance(ToUpperAscii(name), ToUpperAscii(key.name));
    if (distance < best) {
      best = distance;
      nearest = key.name;
    }
  }
  return nearest;
}

}  // namespace

const std::vector<IdentityKey>& IdentityKeys() {
  // One row a key: a key added here is read, checked, stored, listed and extracted.
  static const std::vector<IdentityKey> keys = {
      {kStartMenuFolderName, K::Folder, U::Setup, 100},
      {kAddOnKeyName, K::AddOnKey, U::Setup, 32},
      {kAddOnCaptionGermanName, K::Text, U::Setup, 100},
      {kAddOnCaptionEnglishName, K::Text, U::Setup, 100},
      {kAddOnCaptionFrenchName, K::Text, U::Setup, 100},
      {"Version", K::Version, U::VersionResource},
      {"CompanyName", K::AnyText, U::VersionResource, 255},
      {"FileDescription", K::AnyText, U::VersionResource, 255},
      {"FileVersion", K::AnyText, U::VersionResource, 255},
      {"LegalCopyright", K::AnyText, U::VersionResource, 255},
      {"ProductName", K::AnyText, U::VersionResource, 255},
      {"ProductVersion", K::AnyText, U::VersionResource, 255},
      {"DisplayVersion", K::Text, U::Uninstall, 255},
      {"Publisher", K::Text, U::Uninstall, 255},
      {"DisplayIcon", K::Text, U::Uninstall, 259},
      {"EstimatedSize", K::Number, U::Uninstall},
      {"URLInfoAbout", K::Url, U::Uninstall, 1024},
      {"NoModify", K::Choice, U::Uninstall, 0, "0|1"},
      {"NoRepair", K::Choice, U::Uninstall, 0, "0|1"},
  };
  return keys;
}

const std::string* Identity::Value(const std::string& key) const {
  for (const IdentityEntry& entry : entries) {
    if (entry.key == key) return &entry.value;
  }
  return nullptr;
}

Identity ReadIdentityFile(const std::filesystem::path& path, std::vector<Finding>& findings) {
  std::vector<std::uint8_t> bytes = ReadWholeFile(path);
  if (bytes.size() > kLargestFile) {
    findings.push_back({0, Severity::Error,
                        "the identity file has " + std::to_string(bytes.size()) +
                            " bytes; one that sets every key has a few hundred",
                        "identity-long", path.string()});
    return {path.string(), {}, {}};
  }
  return ParseIdentity(path.string(), bytes, findings);
}

Identity ParseIdentity(const std::string& file, const std::vector<std::uint8_t>& utf8,
                       std::vector<Finding>& findings) {
  const ConvertedText converted = ConvertUtf8Input(utf8, file);
  findings.insert(findings.end(), converted.findings.begin(), converted.findings.end());
  std::string_view bytes(reinterpret_cast<const char*>(utf8.data()), utf8.size());
  if (HasUtf8ByteOrderMark(ByteSpan(utf8))) bytes.remove_prefix(kUtf8ByteOrderMark.size());
  Identity identity{file, {}, {}};
  const std::vector<std::string> lines = SplitScriptLines(ValidUtf8(bytes));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t number = i + 1;
    const std::string line = Trimmed(lines[i]);
    if (line.empty() || line[0] == '#') continue;
    std::string value = line;
    const std::string name = Trimmed(SplitFirst(value, "="));
    const auto fail = [&](const char* code, const std::string& reason) {
      findings.push_back({number, Severity::Error, reason, code, file});
    };
    if (line.find('=') == std::string::npos || name.empty()) {
      fail("identity-syntax", "a line is KEY = VALUE or a # comment, not " + Shown(line));
      continue;
    }
    const IdentityKey* key = FindKey(name);
    if (!key) {
      const std::string nearest = NearestKey(name);
      fail("identity-key", "unknown key " + Shown(name) +
                               (nearest.empty() ? "" : " (did you mean " + nearest + "?)"));
      continue;
    }
    const IdentityEntry* earlier = nullptr;
    for (const std::vector<IdentityEntry>* taken : {&identity.entries, &identity.refused}) {
      for (const IdentityEntry& entry : *taken) {
        if (!earlier && entry.key == key->name) earlier = &entry;
      }
    }
    if (earlier) {
      fail("identity-twice", std::string(key->name) + " is given on line " +
                                 std::to_string(earlier->line) + " already");
      continue;
    }
    value = Trimmed(value);
    const bool passes = ValueChecker(file, number, *key, findings).Passes(value);
    (passes ? identity.entries : identity.refused).push_back({key->name, value, number});
  }
  const auto rank = [](const IdentityEntry& entry) {
    const auto& keys = IdentityKeys();
    return std::find_if(keys.begin(), keys.end(),
                        [&](const IdentityKey& key) { return entry.key == key.name; }) -
           keys.begin();
  };
  std::stable_sort(
      identity.entries.begin(), identity.entries.end(),
      [&](const IdentityEntry& a, const IdentityEntry& b) { return rank(a) < rank(b); });
  return identity;
}

std::vector<std::uint8_t> IdentityResourceText(const Identity& identity) {
  std::string text;
  for (const IdentityEntry& entry : identity.entries)
    text += entry.key + "=" + entry.value + "\r\n";
  const std::string stored = StoredText(text);
  return {stored.begin(), stored.end()};
}

std::string IdentityFileText(ByteSpan resource) {
  std::string text =
      "# The identity of this setup.exe, as mksetup extract found it: mksetup build --identity\n"
      "# takes it back. A key left out keeps the setup's built-in value.\n";
  for (std::string line : SplitScriptLines(DecodeScriptText(resource))) {
    if (line.find('=') == std::string::npos) continue;
    const std::string name = SplitFirst(line, "=");
    text += name + " = " + line + "\n";
  }
  return text;
}

VendorIdentity SetupIdentityOf(const Identity& identity, bool meant) {
  Identity taken = identity;
  if (meant)
    taken.entries.insert(taken.entries.end(), identity.refused.begin(), identity.refused.end());
  const std::vector<std::uint8_t> text = IdentityResourceText(taken);
  return ParseVendorIdentity(ByteSpan(text));
}

std::optional<VersionInfo> IdentityVersionInfo(const Identity& identity) {
  VersionInfo info = StubVersionInfo();
  bool set = false;
  for (const IdentityEntry& entry : identity.entries) {
    const IdentityKey* key = FindKey(entry.key);
    if (!key || key->use != U::VersionResource) continue;
    set = true;
    if (key->kind == K::Version) {
      info.fileVersion = info.productVersion = *ParseFourNumbers(entry.value);
      continue;
    }
    // The texts are the version resource's own names.
    for (auto& [text, value] : info.texts) {
      if (text == key->name) value = entry.value;
    }
  }
  if (!set) return std::nullopt;
  return info;
}

void ApplyIdentity(const Identity& identity, ResourceTree& tree) {
  if (identity.entries.empty()) return;
  tree.Set(ResourceId::Number(kRtRcData), ResourceId::Name(kIdentityResource),
           {IdentityResourceText(identity), 0});
  const std::optional<VersionInfo> version = IdentityVersionInfo(identity);
  if (!version) return;
  const ResourceId type = ResourceId::Number(kRtVersion);
  const ResourceId name = ResourceId::Number(kVersionInfoId);
  ResourceId language = ResourceId::Number(0);
  for (const ResourceType& t : tree.types) {
    if (!(t.id == type)) continue;
    for (const ResourceName& n : t.names) {
      if (n.id == name && !n.languages.empty()) language = n.languages.front().language;
    }
  }
  tree.Set(type, name, {WriteVersionInfo(*version), 0});
  for (ResourceType& t : tree.types) {
    if (!(t.id == type)) continue;
    for (ResourceName& n : t.names) {
      if (n.id == name) n.languages.front().language = language;
    }
  }
}

}  // namespace setup::mksetup
