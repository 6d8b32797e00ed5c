// mksetup init DIR: a product to start from that passes check --strict and builds.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "Arguments.h"
#include "CommandHelp.h"
#include "Commands.h"
#include "ToolPaths.h"
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
    "Publisher = My Company\n"
    "DisplayIcon = %SMyProgram.exe\n"
    "# EstimatedSize = 1024\n"
    "# URLInfoAbout = https://www.example.com/\n"
    "NoModify = 1\n"
    "NoRepair = 1\n";

constexpr const char* kLicence =
    "GERMAN\r\nLizenzvertrag f\xfcr My Product.\r\n\r\n"
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

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  AtomicOutput out(path);
  out.Write(bytes.data(), bytes.size());
  out.Commit();
}

}  // namespace

int InitCommand(const std::vector<std::string>& args) {
  const Arguments parsed =
      ParseArguments(args, CommandValueOptions("init"), CommandFlagOptions("init"));
  if (parsed.positionals.size() != 1) throw UsageError("usage: " + CommandUsage("init"));
  const fs::path root = parsed.positionals[0];
  std::error_code error;
  if (fs::exists(root, error) && !fs::is_empty(root, error)) {
    throw ToolError(root.string(), "the folder is not empty; init writes only into a new one");
  }
  Write(root / "setup.txt", kScript);
  Write(root / "licence.txt", kLicence);
  Write(root / "identity.txt", kIdentity);
  for (const TreeFile& file : kTree) Write(root / "tree" / file.path, file.content);
  const auto uninstaller =
      FindWindowsProgram("MKSETUP_UNINSTALLER", kUninstallerFileName, Architecture::X86);
  if (uninstaller) fs::copy_file(*uninstaller, root / "tree/S/UnInstall.EXE");
  std::printf(
      "%s: setup.txt, licence.txt, identity.txt and tree/ written%s\n"
      "  mksetup check %s/setup.txt --source %s/tree --licence %s/licence.txt --identity "
      "%s/identity.txt --strict\n",
      root.string().c_str(),
      uninstaller ? "" : " (UnInstall.EXE not found: build takes it from --uninstaller)",
      root.string().c_str(), root.string().c_str(), root.string().c_str(), root.string().c_str());
  return 0;
}

}  // namespace setup::mksetup
