#include <cstdio>
#include <string>

#include "Arguments.h"
#include "Commands.h"
#include "SetupExe.h"
#include "Text1252.h"
#include "ToolError.h"

namespace setup::mksetup {
namespace {

struct FileRow {
  FileLine line;
  std::uint64_t size;
  std::uint32_t blocks;
};

struct Listing {
  std::unique_ptr<SetupState> state;
  ScriptFile script;
  std::uint64_t licenceSize = 0;
  std::vector<FileRow> files;
  std::size_t leftOver = 0;
};

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

void PrintText(const Listing& listing) {
  const SetupState& s = *listing.state;
  auto field = [](const char* name, const std::string& value) {
    std::printf("%-22s %s\n", name, Utf8From1252(value).c_str());
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
  std::printf("Licence                %llu bytes\n",
              static_cast<unsigned long long>(listing.licenceSize));
  std::printf("\n%6s  %-4s %12s %6s  %s\n", "line", "lang", "bytes", "blocks", "path");
  for (const FileRow& row : listing.files) {
    std::printf("%6zu  %-4c %12llu %6u  %s\n", row.line.number, row.line.language,
                static_cast<unsigned long long>(row.size), row.blocks,
                Utf8From1252(row.line.path).c_str());
  }
  std::printf("%zu files\n", listing.files.size());
}

void PrintJson(const Listing& listing) {
  const SetupState& s = *listing.state;
  std::printf("{\n  \"languagesOffered\": %s,\n", JsonString(Offered(s.LanguagesOffered)).c_str());
  std::printf("  \"preselectedLanguage\": %s,\n",
              JsonString(std::string(1, s.PreselectedLanguage)).c_str());
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
      {"addOnCaptionFrench", &s.AddOnCaptionFrench}};
  for (const auto& [name, value] : fields) {
    std::printf("  \"%s\": %s,\n", name, JsonString(*value).c_str());
  }
  std::printf("  \"addOnTicked\": %s,\n  \"licenceBytes\": %llu,\n  \"files\": [",
              s.AddOnTicked ? "true" : "false",
              static_cast<unsigned long long>(listing.licenceSize));
  const char* separator = "\n";
  for (const FileRow& row : listing.files) {
    std::printf(
        "%s    {\"line\": %zu, \"language\": %s, \"path\": %s, \"bytes\": %llu, "
        "\"blocks\": %u}",
        separator, row.line.number, JsonString(std::string(1, row.line.language)).c_str(),
        JsonString(row.line.path).c_str(), static_cast<unsigned long long>(row.size), row.blocks);
    separator = ",\n";
  }
  std::printf("\n  ]\n}\n");
}

}  // namespace

int ListCommand(const std::vector<std::string>& args) {
  const Arguments parsed = ParseArguments(args, {}, {"--json"});
  if (parsed.positionals.size() != 1) throw ToolError("usage: list setup.exe [--json]");
  const SetupExe exe = OpenSetupExe(parsed.positionals[0]);
  Listing listing;
  listing.state = ReadSetupState(exe.name + " (SetupInfo)", exe.info);
  listing.script = ParseScriptFile(exe.name + " (SetupInfo)",
                                   std::vector<std::uint8_t>(exe.info.begin(), exe.info.end()));
  listing.leftOver =
      WalkPayload(exe, listing.script, [&](const FileLine* line, const PayloadEntry& entry) {
        if (!line) {
          listing.licenceSize = InflatedSize(entry);
          return;
        }
        listing.files.push_back({*line, InflatedSize(entry), BlockCount(entry)});
      });
  parsed.Flag("--json") ? PrintJson(listing) : PrintText(listing);
  if (listing.leftOver != 0) {
    std::fprintf(stderr, "%s: warning: %zu payload bytes follow the last F line's entry\n",
                 exe.name.c_str(), listing.leftOver);
  }
  return 0;
}

}  // namespace setup::mksetup
