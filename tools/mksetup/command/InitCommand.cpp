// mksetup init DIR: a product to start from that passes check --strict and builds; with --from,
// the script of a product's own tree; with --refresh, that script kept up to date with the tree.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "Arguments.h"
#include "CommandHelp.h"
#include "Commands.h"
#include "ToolPaths.h"
#include "input/InputText.h"
#include "input/ScriptFile.h"
#include "input/SourceTree.h"
#include "input/TreeScript.h"
#include "io/FileIo.h"
#include "io/ToolError.h"
#include "text/FileFormat.h"

namespace setup::mksetup {
namespace fs = std::filesystem;
namespace {

constexpr const char* kScript =
    "GEF\r\n"
    "N*My Product\r\n"
    "V(1.0)\r\n"
    "S0\r\n"
    "DMy Company\\My Product\\\r\n"
    "H%SMyProgram.exe\r\n"
    "MG%SLiesMich.txt\r\n"
    "ME%SReadMe.txt\r\n"
    "MF%SLisezMoi.txt\r\n"
    "D*%PMy Product\\\r\n"  // the identity's StartMenuFolder
    "F*%SMyProgram.exe\r\n"
    "F*%SUnInstall.EXE\r\n"
    "FG%SLiesMich.txt\r\n"
    "FE%SReadMe.txt\r\n"
    "FF%SLisezMoi.txt\r\n"
    "R*Software\\My Company\\My Product;InstallDir;%S\r\n";

// Every key a vendor sets once; the add-on ones stay commented out, since the product has none.
// The DisplayIcon line is put in after kIdentity.
constexpr const char* kIdentity =
    "# The identity of My Product's setup.exe (docs/identity-file.md): build and check take it\n"
    "# with --identity. A key left out keeps the setup's built-in value.\n"
    "\n"
    "# The start-menu folder of the main program's shortcut; the script's D*%P line makes it.\n"
    "StartMenuFolder = My Product\n"
    "\n"
    "# The add-on box: T lines of this key caption it, E lines naming it run only when ticked.\n"
    "# AddOnKey = MYADDON\n"
    "# AddOnCaptionGerman = Zusatzmodul installieren\n"
    "# AddOnCaptionEnglish = Install the add-on\n"
    "# AddOnCaptionFrench = Installer le module\n"
    "\n"
    "# The version resource Explorer shows for setup.exe.\n"
    "Version = 1.0.0.0\n"
    "CompanyName = My Company\n"
    "FileDescription = My Product Setup\n"
    "FileVersion = 1.0.0.0\n"
    "LegalCopyright = Copyright (C) My Company\n"
    "ProductName = My Product\n"
    "ProductVersion = 1.0\n"
    "\n"
    "# The entry of Programs and Features.\n"
    "DisplayVersion = 1.0\n"
    "Publisher = My Company\n";
constexpr const char* kIdentityEnd =
    "# EstimatedSize = 1024\n"
    "# URLInfoAbout = https://www.example.com/\n"
    "NoModify = 1\n"
    "NoRepair = 1\n";

constexpr const char* kLicence =
    "GERMAN\r\nLizenzvertrag für My Product.\r\n\r\n"
    "ENGLISH\r\nLicence agreement for My Product.\r\n\r\n"
    "FRENCH\r\nContrat de licence de My Product.\r\n";

struct TreeFile {
  const char* path;
  const char* content;
};
constexpr TreeFile kTree[] = {
    {"S/MyProgram.exe", "Replace this file by the program.\r\n"},
    {"S/LiesMich.txt", "Lies mich.\r\n"},
    {"S/ReadMe.txt", "Read me.\r\n"},
    {"S/LisezMoi.txt", "Lisez-moi.\r\n"},
};

// The header places of a script made from a tree, as kScript has them, with what the tree shows:
// its one program as the main program, its read-mes.
constexpr const char* kHeader =
    "GEF\r\n"
    "N*My Product\r\n"
    "V(1.0)\r\n"
    "S0\r\n"
    "DMy Company\\My Product\\\r\n";
// No script line is a comment: without one obvious program, the H line names one that check
// reports as installed by no F line, on this line, until the vendor writes his own.
constexpr const char* kNoMainProgram = "%SNAME-THE-MAIN-PROGRAM.exe";

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  AtomicOutput out(path);
  out.Write(bytes.data(), bytes.size());
  out.Commit();
}

// The files appear together: each is written under a temporary name first, and all are renamed
// only when every one was written, so a failure half-way leaves none of them.
void WriteAll(const std::vector<std::pair<fs::path, std::string>>& files) {
  std::vector<std::unique_ptr<AtomicOutput>> outputs;
  for (const auto& [path, bytes] : files) {
    fs::create_directories(path.parent_path());
    outputs.push_back(std::make_unique<AtomicOutput>(path));
    outputs.back()->Write(bytes.data(), bytes.size());
  }
  for (const std::unique_ptr<AtomicOutput>& output : outputs) output->Commit();
}

// The tree as a script lists it; each name no line can carry is an error of its own, and then
// nothing is written.
std::vector<TreeEntry> EntriesOf(const fs::path& from) {
  const SourceTree tree = ListSourceTree(from);
  std::size_t refused = 0;
  for (const TreeEntry& entry : tree.entries) {
    if (entry.refusal.empty()) continue;
    std::fprintf(stderr, "%s: error: %s\n", entry.host.string().c_str(), entry.refusal.c_str());
    ++refused;
  }
  if (refused) {
    throw ToolError(from.string(), std::to_string(refused) + (refused == 1 ? " name" : " names") +
                                       " no script line can carry (above); nothing written");
  }
  return ScriptEntries(tree);
}

struct Product {
  std::string script, identity;
  std::optional<std::string> mainProgram;
};

Product ProductFrom(const std::vector<TreeEntry>& entries) {
  Product product;
  product.mainProgram = MainProgramOf(entries);
  const std::string main = product.mainProgram.value_or(kNoMainProgram);
  product.script = std::string(kHeader) + "H" + main + "\r\n";
  for (const char language : {'G', 'E', 'F'}) {
    const std::optional<std::string> readMe = ReadMeOf(entries, language);
    product.script += readMe ? std::string("M") + language + *readMe + "\r\n" : "\r\n";
  }
  product.script += "D*%PMy Product\\\r\n";  // the identity's StartMenuFolder
  for (const TreeEntry& entry : entries) product.script += EntryLine(entry) + "\r\n";
  product.script += "R*Software\\My Company\\My Product;InstallDir;%S\r\n";
  product.identity = std::string(kIdentity) + (product.mainProgram ? "" : "# ") +
                     "DisplayIcon = " + main + "\n" + kIdentityEnd;
  return product;
}

// --refresh SCRIPT --from DIR: the D and F lines brought up to date, every other line kept.
int Refresh(const fs::path& scriptPath, const fs::path& from) {
  const std::vector<TreeEntry> entries = EntriesOf(from);
  const ScriptFile script = LoadScriptFile(scriptPath);
  const RefreshedScript refreshed = RefreshScript(script, entries);
  if (refreshed.becameUtf8) {
    std::printf("%s: now UTF-8 with a byte-order mark, since Windows-1252 lacks %s\n",
                scriptPath.string().c_str(), refreshed.why.c_str());
  }
  if (refreshed.bytes != script.bytes) {
    AtomicOutput out(scriptPath);
    out.Write(refreshed.bytes.data(), refreshed.bytes.size());
    out.Commit();
  }
  std::printf("%s: %zu %s added, %zu removed (the D and F lines of %s)\n",
              scriptPath.string().c_str(), refreshed.added, refreshed.added == 1 ? "line" : "lines",
              refreshed.removed, from.string().c_str());
  return 0;
}

}  // namespace

int InitCommand(const std::vector<std::string>& args) {
  const Arguments parsed =
      ParseArguments(args, CommandValueOptions("init"), CommandFlagOptions("init"));
  const std::optional<std::string> from = parsed.Value("--from");
  if (const std::optional<std::string> refresh = parsed.Value("--refresh")) {
    if (!from || !parsed.positionals.empty())
      throw UsageError("usage: init --refresh SCRIPT --from DIR");
    return Refresh(*refresh, *from);
  }
  if (parsed.positionals.size() != 1) throw UsageError("usage: " + CommandUsage("init"));
  const fs::path root = parsed.positionals[0];
  std::error_code error;
  if (fs::exists(root, error) && !fs::is_empty(root, error)) {
    throw ToolError(root.string(), "the folder is not empty; init writes only into a new one");
  }
  // Everything is read and made before the first file is written.
  Product product{
      kScript, std::string(kIdentity) + "DisplayIcon = %SMyProgram.exe\n" + kIdentityEnd, {}};
  if (from) product = ProductFrom(EntriesOf(*from));
  // The identity file is UTF-8 always; the script and licence are what the setup reads.
  const std::string script = StoredText(product.script);
  WriteAll({{root / "setup.txt", script},
            {root / "licence.txt", StoredText(kLicence)},
            {root / "identity.txt", product.identity}});
  const std::string tree = from ? *from : (root / "tree").string();
  if (from) {
    std::printf("%s: setup.txt (the files of %s), licence.txt and identity.txt written\n",
                root.string().c_str(), from->c_str());
    char32_t missing = 0;
    if (!In1252(product.script, &missing)) {
      std::printf("%s/setup.txt: UTF-8 with a byte-order mark, since Windows-1252 lacks %s\n",
                  root.string().c_str(), CodePoint(missing).c_str());
    }
    if (!product.mainProgram) {
      std::printf(
          "%s/setup.txt:6: no one program in %s is obviously the main one: name it "
          "there (and as DisplayIcon in identity.txt)\n",
          root.string().c_str(), from->c_str());
    }
  } else {
    for (const TreeFile& file : kTree) Write(root / "tree" / file.path, file.content);
    const auto uninstaller =
        FindWindowsProgram("MKSETUP_UNINSTALLER", kUninstallerFileName, Architecture::X86);
    if (uninstaller) fs::copy_file(*uninstaller, root / "tree/S/UnInstall.EXE");
    std::printf("%s: setup.txt, licence.txt, identity.txt and tree/ written%s\n",
                root.string().c_str(),
                uninstaller ? "" : " (UnInstall.EXE not found: build takes it from --uninstaller)");
  }
  std::printf(
      "  mksetup check %s/setup.txt --source %s --licence %s/licence.txt --identity "
      "%s/identity.txt --strict\n",
      root.string().c_str(), tree.c_str(), root.string().c_str(), root.string().c_str());
  return 0;
}

}  // namespace setup::mksetup
