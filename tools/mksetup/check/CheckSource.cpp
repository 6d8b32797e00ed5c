#include <cstdio>
#include <future>
#include <optional>
#include <string>
#include <unordered_set>

#include "check/CheckRules.h"
#include "input/Licence.h"
#include "input/SourceMap.h"
#include "input/SourceTree.h"
#include "io/FileIo.h"
#include "io/MappedFile.h"
#include "io/ToolError.h"
#include "setupexe/Build.h"

namespace setup::mksetup {
namespace fs = std::filesystem;
namespace {

// The uninstaller works in the registry view of its own architecture, and the registration it
// removes is in the setup.exe's: of another architecture it leaves the product registered.
void CheckUninstallerArchitecture(Checker& checker, std::size_t line, const fs::path& file) {
  std::optional<PeLayout> layout;
  try {
    const MappedFile image(file);
    layout = ReadPeLayout(image.Bytes(), file.string());
  } catch (const ToolError&) {
    return;  // no program at all: what Windows makes of it is not this rule's question
  }
  const std::optional<Architecture> found = ArchitectureOf(*layout);
  const Architecture wanted = checker.options.architecture;
  if (found == wanted) return;
  std::string why =
      "an uninstaller of another architecture than the setup.exe's works in "
      "another registry view and would leave the uninstall registration behind";
  if (found == Architecture::X86) {
    why =
        "a 32-bit uninstaller sees the 32-bit registry view and would leave the 64-bit "
        "setup's uninstall registration behind";
  } else if (found == Architecture::X64) {
    why =
        "a 64-bit uninstaller sees the 64-bit registry view and would leave the 32-bit "
        "setup's uninstall registration behind, and it does not start on 32-bit Windows";
  }
  checker.Fail(line, "uninstaller-arch",
               "%SUnInstall.EXE is " + file.string() + ", " + ProgramKind(*layout) +
                   ", but the setup.exe is " + ArchitectureName(wanted) + " (--arch " +
                   ArchitectureName(wanted) + "): " + why + "; take the UnInstall.EXE built for " +
                   ArchitectureName(wanted));
}

// A file the vendor added to the product and forgot to give an F line is not installed, and
// nothing else would tell: the build succeeds, the product lacks it.
void CheckUnlisted(Checker& checker, const fs::path& source, std::future<SourceTree>& listing,
                   const std::unordered_set<std::string>& named) {
  SourceTree tree;
  try {
    tree = listing.get();
  } catch (const ToolError& error) {
    checker.findings.push_back({0, Severity::Error, error.Reason(), "source", source.string()});
    return;
  }
  for (const TreeEntry& entry : tree.entries) {
    if (entry.folder || named.count(entry.host.native())) continue;
    std::string reason =
        "no F line names this file of the source tree, so setup.exe does not "
        "install it";
    reason += entry.refusal.empty() ? ": add F*" + entry.path + " (mksetup init --refresh adds it)"
                                    : "; no line can name it: " + entry.refusal;
    checker.findings.push_back(
        {0, Severity::Warning, reason, "unlisted-file", entry.host.string()});
  }
}

}  // namespace

SourceLookups StartSourceLookups(const Checker& checker) {
  SourceLookups lookups;
  const std::optional<fs::path>& source = checker.options.source;
  if (!source) return lookups;
  lookups.listing =
      std::async(std::launch::async, [root = *source] { return ListSourceTree(root); });
  lookups.found = std::async(std::launch::async, [&checker, root = *source] {
    return FindSources(checker.script, checker.files, root, checker.options.uninstaller, true);
  });
  return lookups;
}

void CheckAgainstSource(Checker& checker, SourceLookups& lookups,
                        std::optional<std::vector<PayloadSource>>* sources) {
  const std::optional<fs::path>& source = checker.options.source;
  const std::optional<fs::path> licenceName =
      checker.options.licence
          ? checker.options.licence
          : (source ? std::optional<fs::path>(*source / "licence.txt") : std::nullopt);
  std::uint64_t total = 0;
  bool complete = true;
  // A licence in the source tree (its licence.txt, taken when no --licence is given) is a file of
  // the tree like an F line's: a link there out of the tree would package whatever the build
  // machine keeps where it leads. It is not read then, so that no line of it shows in a finding.
  const std::optional<std::string> licenceLink =
      licenceName && source ? LinkOutOfTree(*source, *licenceName) : std::nullopt;
  if (licenceLink) {
    checker.findings.push_back(
        {0, Severity::Error, *licenceLink, "source-link", licenceName->string()});
    complete = false;
  } else if (licenceName) {
    const std::string name = licenceName->string();
    try {
      const std::vector<std::uint8_t> raw = ReadWholeFile(*licenceName);
      std::vector<std::uint8_t> licence = raw;
      if (checker.options.encoding == InputEncoding::Utf8) {
        ConvertedText converted = ConvertUtf8Input(raw, name);
        checker.findings.insert(checker.findings.end(), converted.findings.begin(),
                                converted.findings.end());
        if (!converted.note.empty())
          std::fprintf(stderr, "%s: %s\n", name.c_str(), converted.note.c_str());
        licence = std::move(converted.bytes);
      } else {
        const std::vector<Finding> found = EncodingFindings(raw, name, "licence");
        checker.findings.insert(checker.findings.end(), found.begin(), found.end());
      }
      CheckLicence(name, licence);
      const CrLfLicence stored = WithCrLfLineEnds(std::move(licence));
      if (stored.loneLines != 0) {
        const std::string lines =
            stored.loneLines == 1
                ? "this line ends"
                : "this line and " + std::to_string(stored.loneLines - 1) + " more end";
        checker.findings.push_back({stored.firstLoneLine, Severity::Warning,
                                    lines + " in a lone LF or CR; the setup breaks the licence's "
                                            "lines only at CR LF, so mksetup build stores CR LF",
                                    "licence", name});
      }
      total = stored.bytes.size();
    } catch (const ToolError& error) {
      checker.findings.push_back({0, Severity::Error, error.Reason(), "licence", name});
      complete = false;
    }
  }
  if (!source) return;
  // Both spell a file as its folder joined with its name, so the texts compare.
  std::unordered_set<std::string> named;
  std::vector<FoundSource> found = lookups.found.get();
  bool allFound = true;
  for (std::size_t i = 0; i < found.size(); ++i) {
    const FileLine& line = checker.files[i];
    try {
      if (found[i].error) std::rethrow_exception(found[i].error);
      const PayloadSource& file = found[i].source;
      total += file.size;
      named.insert(file.path);
      if (found[i].linkOut) checker.Fail(line.number, "source-link", *found[i].linkOut);
      if (IsUninstallerSource(SourceParts(line.path, file.what))) {
        CheckUninstallerArchitecture(checker, line.number, file.path);
      }
    } catch (const SourceKindError& error) {
      checker.Fail(line.number, "source-kind", error.Reason());
      complete = allFound = false;
    } catch (const ToolError& error) {
      checker.Fail(line.number, "source", error.Reason());
      complete = allFound = false;
    }
  }
  CheckUnlisted(checker, *source, lookups.listing, named);
  if (sources && allFound) {
    *sources = std::vector<PayloadSource>();
    (*sources)->reserve(found.size());
    for (FoundSource& one : found) (*sources)->push_back(std::move(one.source));
  }
  if (!complete) return;
  const std::size_t sizeLine = HeaderLineOf(checker.script, 'S');
  if (!sizeLine) return;
  const std::string value = checker.script.lines[sizeLine - 1].text.substr(1);
  if (value != "0" && value != std::to_string(total)) {
    checker.Warn(sizeLine, "size-value",
                 "the S value " + value + " is not the payload's " + std::to_string(total) +
                     " bytes (licence included); mksetup build writes it (S0 says so)");
  }
}

}  // namespace setup::mksetup
