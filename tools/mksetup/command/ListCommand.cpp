#include <cstdio>
#include <cstdlib>
#include <string>

#include "Arguments.h"
#include "CommandHelp.h"
#include "Commands.h"
#include "input/ScriptFile.h"
#include "install/SystemEffects.h"
#include "io/JsonText.h"
#include "io/ToolError.h"
#include "pe/PeFile.h"
#include "pe/Signature.h"
#include "resources/VendorPictures.h"
#include "resources/VersionInfo.h"
#include "setupexe/SetupExe.h"
#include "text/ScriptText.h"
#include "text/Sha256.h"
#include "text/Utf8.h"

namespace setup::mksetup {
namespace {

struct FileRow {
  FileLine line;
  std::uint64_t size;
  std::uint32_t blocks;
  std::uint64_t compressed;  // the entry as stored, its length field included
  std::string sha256;        // of the inflated bytes
};

struct ActionRow {
  std::size_t line;
  char code, language;  // as written
  std::string text;     // after the two code characters
  std::string meaning;  // what the setup does with it, as far as it is fixed before the run
};

struct Listing {
  std::unique_ptr<SetupState> state;
  ScriptFile script;
  std::uint64_t licenceSize = 0;
  std::vector<FileRow> files;
  std::vector<ActionRow> actions;
  long long sizeValue = -1;  // the S line's number; -1 without one
  std::size_t leftOver = 0;
  SignatureInfo signature;
  std::string architecture;  // x86, x64, or the machine of anything else
  std::vector<std::pair<std::string, std::string>> identity;  // its resource's lines, in order
  std::optional<VersionInfo> version;
};

std::vector<std::pair<std::string, std::string>> IdentityLines(const SetupExe& exe) {
  std::vector<std::pair<std::string, std::string>> lines;
  if (!exe.identity) return lines;
  for (std::string line : SplitScriptLines(DecodeScriptText(*exe.identity))) {
    if (line.find('=') == std::string::npos) continue;
    std::string name = SplitFirst(line, "=");
    lines.emplace_back(std::move(name), std::move(line));
  }
  return lines;
}

std::string Offered(const LanguageFlags& flags) {
  std::string text;
  if (flags.German) text += "G";
  if (flags.English) text += "E";
  if (flags.French) text += "F";
  return text;
}

std::uint64_t InflatedSize(const PayloadEntry& entry) {
  CountingSink sink;
  entry.InflateTo(sink);
  return sink.bytes;
}

// Counts and hashes at once.
class FileSink : public ByteSink {
 public:
  void Append(const std::uint8_t* data, std::size_t size) override {
    bytes += size;
    hash.Append(data, size);
  }
  std::uint64_t bytes = 0;
  Sha256 hash;
};

std::string Meaning(char code, std::string rest, const std::string& addOnKey) {
  switch (ToUpperAscii(code)) {
    case 'D':
      return "create the folder " + rest;
    case 'F':
      return "write the next payload file to " + rest;
    case 'K': {
      const std::string shortcut = SplitFirst(rest, ";");
      const std::string program = SplitFirst(rest, ";");
      return "shortcut " + shortcut + " to " + program +
             (SplitFirst(rest, ";").empty() ? "" : " with arguments");
    }
    case 'R': {
      const std::string key = SplitFirst(rest, ";");
      const std::string name = SplitFirst(rest, ";");
      return "HKCU\\" + key + " (HKU\\.DEFAULT\\" + key + " for all users) " +
             (name.empty() ? "(default)" : name) + " = " +
             (IsIntegerText(rest) ? "REG_DWORD " + rest : "REG_SZ \"" + rest + "\"");
    }
    case 'X': {
      const std::string extension = SplitFirst(rest, ";");
      const std::string program = SplitFirst(rest, ";");
      return "file type ." + extension + " (" + extension + "file, \"" + rest + "\") opened by " +
             program;
    }
    case 'E':
      return "start " + rest +
             (ToUpperAscii(rest).find(addOnKey) != std::string::npos ? " (only with the add-on)"
                                                                     : "");
    case 'T':
      return "add-on caption and ticked box";
    default:
      return "ignored";
  }
}

std::vector<ActionRow> ActionRows(const ScriptFile& script, const std::string& addOnKey) {
  std::vector<ActionRow> rows;
  for (std::size_t i = kLeadingLines; i < script.lines.size(); ++i) {
    const std::string& text = script.lines[i].text;
    if (text.empty()) continue;
    const char language = text.size() > 1 ? text[1] : '\0';
    const std::string rest = text.size() > 2 ? text.substr(2) : "";
    rows.push_back(
        {script.lines[i].number, text[0], language, rest, Meaning(text[0], rest, addOnKey)});
  }
  return rows;
}

long long SizeValue(const ScriptFile& script) {
  long long value = -1;
  for (std::size_t i = 1; i < kLeadingLines && i < script.lines.size(); ++i) {
    const std::string& text = script.lines[i].text;
    if (text.empty() || ToUpperAscii(text[0]) != 'S') continue;
    value = std::strtoll(text.c_str() + 1, nullptr, 10);
  }
  return value;
}

void PrintText(const Listing& listing) {
  const SetupState& s = *listing.state;
  auto field = [](const char* name, const std::string& value) {
    std::printf("%-22s %s\n", name, value.c_str());
  };
  field("Languages offered", Offered(s.LanguagesOffered));
  field("Preselected language", std::string(1, s.PreselectedLanguage));
  field("Product name (N)", s.ProductName);
  field("Version (V)", s.VersionText);
  field("Default sub-folder (D)", s.DefaultSubFolder);
  field("Main program (H)", s.MainProgram);
  field("Read-me German (M)", s.ReadMeGerman);
  field("Read-me English (M)", s.ReadMeEnglish);
  field("Read-me French (M)", s.ReadMeFrench);
  field("Size (S)", s.SizeText);
  field("Add-on ticked (T)", s.AddOnTicked ? "yes" : "no");
  field("Add-on German", s.AddOnCaptionGerman);
  field("Add-on English", s.AddOnCaptionEnglish);
  field("Add-on French", s.AddOnCaptionFrench);
  field("Start-menu folder", s.Identity.StartMenuPath());
  field("Add-on key", s.Identity.addOnKey);
  std::printf("Licence                %llu bytes\n",
              static_cast<unsigned long long>(listing.licenceSize));
  std::printf("Signature              %s\n", SignatureText(listing.signature).c_str());
  std::printf("Architecture           %s\n", listing.architecture.c_str());
  std::printf("Identity               %s\n", listing.identity.empty() ? "built-in" : "--identity");
  for (const auto& [name, value] : listing.identity) {
    std::printf("  %-20s %s\n", name.c_str(), value.c_str());
  }
  if (listing.version) {
    std::printf("Version resource       file %s, product %s\n",
                FourNumbersText(listing.version->fileVersion).c_str(),
                FourNumbersText(listing.version->productVersion).c_str());
    for (const auto& [name, value] : listing.version->texts) {
      if (!value.empty()) std::printf("  %-20s %s\n", name.c_str(), value.c_str());
    }
  }
  std::printf("\n%6s  %-4s %12s %12s %6s  %s\n", "line", "lang", "bytes", "compressed", "blocks",
              "path");
  for (const FileRow& row : listing.files) {
    std::printf("%6zu  %-4c %12llu %12llu %6u  %s\n", row.line.number, row.line.language,
                static_cast<unsigned long long>(row.size),
                static_cast<unsigned long long>(row.compressed), row.blocks, row.line.path.c_str());
  }
  std::printf("%zu files\n\n%6s  %-4s %-4s  %s\n", listing.files.size(), "line", "code", "lang",
              "action");
  for (const ActionRow& row : listing.actions) {
    std::printf("%6zu  %-4c %-4c  %s\n", row.line, row.code, row.language, row.meaning.c_str());
  }
}

void PrintJson(const Listing& listing) {
  const SetupState& s = *listing.state;
  std::printf("{\n  \"schemaVersion\": 1,\n  \"architecture\": %s,\n  \"sizeValue\": %lld,\n",
              JsonUtf8(listing.architecture).c_str(), listing.sizeValue);
  std::printf("  \"languagesOffered\": %s,\n", JsonUtf8(Offered(s.LanguagesOffered)).c_str());
  std::printf("  \"preselectedLanguage\": %s,\n",
              JsonUtf8(std::string(1, s.PreselectedLanguage)).c_str());
  const std::pair<const char*, const std::string*> fields[] = {
      {"productName", &s.ProductName},
      {"versionText", &s.VersionText},
      {"defaultSubFolder", &s.DefaultSubFolder},
      {"mainProgram", &s.MainProgram},
      {"readMeGerman", &s.ReadMeGerman},
      {"readMeEnglish", &s.ReadMeEnglish},
      {"readMeFrench", &s.ReadMeFrench},
      {"sizeText", &s.SizeText},
      {"addOnCaptionGerman", &s.AddOnCaptionGerman},
      {"addOnCaptionEnglish", &s.AddOnCaptionEnglish},
      {"addOnCaptionFrench", &s.AddOnCaptionFrench},
      {"startMenuFolder", &s.Identity.startMenuFolder},
      {"addOnKey", &s.Identity.addOnKey}};
  for (const auto& [name, value] : fields) {
    std::printf("  \"%s\": %s,\n", name, JsonUtf8(*value).c_str());
  }
  std::printf("  \"identity\": {");
  const char* comma = "";
  for (const auto& [name, value] : listing.identity) {
    std::printf("%s%s: %s", comma, JsonUtf8(name).c_str(), JsonUtf8(value).c_str());
    comma = ", ";
  }
  std::printf("},\n");
  if (listing.version) {
    std::printf("  \"fileVersion\": \"%s\",\n  \"productVersion\": \"%s\",\n  \"versionTexts\": {",
                FourNumbersText(listing.version->fileVersion).c_str(),
                FourNumbersText(listing.version->productVersion).c_str());
    comma = "";
    for (const auto& [name, value] : listing.version->texts) {
      std::printf("%s%s: %s", comma, JsonUtf8(name).c_str(), JsonUtf8(value).c_str());
      comma = ", ";
    }
    std::printf("},\n");
  }
  std::printf("  \"addOnTicked\": %s,\n  \"licenceBytes\": %llu,\n",
              s.AddOnTicked ? "true" : "false",
              static_cast<unsigned long long>(listing.licenceSize));
  const SignatureInfo& signature = listing.signature;
  const bool named = signature.present && signature.problem.empty();
  std::printf("  \"signed\": %s,\n  \"signer\": %s,\n  \"signerIssuer\": %s,\n  \"files\": [",
              signature.present ? "true" : "false",
              named ? JsonUtf8(signature.signer).c_str() : "null",
              named ? JsonUtf8(signature.issuer).c_str() : "null");
  const char* separator = "\n";
  for (const FileRow& row : listing.files) {
    std::printf(
        "%s    {\"line\": %zu, \"language\": %s, \"path\": %s, \"bytes\": %llu, "
        "\"compressedBytes\": %llu, \"blocks\": %u, \"sha256\": \"%s\"}",
        separator, row.line.number, JsonUtf8(std::string(1, row.line.language)).c_str(),
        JsonUtf8(row.line.path).c_str(), static_cast<unsigned long long>(row.size),
        static_cast<unsigned long long>(row.compressed), row.blocks, row.sha256.c_str());
    separator = ",\n";
  }
  std::printf("\n  ],\n  \"actions\": [");
  separator = "\n";
  for (const ActionRow& row : listing.actions) {
    std::printf(
        "%s    {\"line\": %zu, \"code\": %s, \"language\": %s, \"text\": %s, "
        "\"meaning\": %s}",
        separator, row.line, JsonUtf8(std::string(1, row.code)).c_str(),
        JsonUtf8(std::string(1, row.language)).c_str(), JsonUtf8(row.text).c_str(),
        JsonUtf8(row.meaning).c_str());
    separator = ",\n";
  }
  std::printf("\n  ]\n}\n");
}

}  // namespace

int ListCommand(const std::vector<std::string>& args) {
  const Arguments parsed =
      ParseArguments(args, CommandValueOptions("list"), CommandFlagOptions("list"));
  if (parsed.positionals.size() != 1) throw UsageError("usage: " + CommandUsage("list"));
  const SetupExe exe = OpenSetupExe(parsed.positionals[0]);
  Listing listing;
  listing.state = ReadSetupState(exe.name + " (SetupInfo)", exe.info, exe.Identity());
  listing.script = ParseScriptFile(exe.name + " (SetupInfo)",
                                   std::vector<std::uint8_t>(exe.info.begin(), exe.info.end()));
  listing.leftOver =
      WalkPayload(exe, listing.script, [&](const FileLine* line, const PayloadEntry& entry) {
        if (!line) {
          listing.licenceSize = InflatedSize(entry);
          return;
        }
        FileSink sink;
        entry.InflateTo(sink);
        listing.files.push_back(
            {*line, sink.bytes, BlockCount(entry), 4 + entry.Body().size(), sink.hash.HexDigest()});
      });
  listing.actions = ActionRows(listing.script, listing.state->Identity.addOnKey);
  listing.identity = IdentityLines(exe);
  listing.version = FindVersionInfo(exe.image->Bytes(), exe.name);
  listing.sizeValue = SizeValue(listing.script);
  listing.signature = ReadSignature(exe.image->Bytes(), exe.name);
  listing.architecture = ArchitectureText(ReadPeLayout(exe.image->Bytes(), exe.name));
  parsed.Flag("--json") ? PrintJson(listing) : PrintText(listing);
  if (!parsed.Flag("--json")) {
    PrintPictureOrigins(stdout, exe.image->Bytes(), exe.name, parsed.Value("--stub"));
  }
  if (listing.leftOver != 0) {
    std::fprintf(stderr, "%s: warning: %zu payload bytes follow the last F line's entry\n",
                 exe.name.c_str(), listing.leftOver);
  }
  return 0;
}

}  // namespace setup::mksetup
