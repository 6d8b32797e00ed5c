#include "CommandHelp.h"

#include <stdexcept>

namespace setup::mksetup {
namespace {

constexpr const char* kPurpose =
    "builds a setup.exe from a setup script, a licence and a source tree, and inspects one";
constexpr const char* kScriptFormatDoc = "docs/script-format.md";
// Where the package puts the documents; a build tree has them in the source tree.
constexpr const char* kInstalledDocs = "/usr/share/doc/morvex-setup";

const OptionHelp kSource{"--source", "DIR",
                         "the source tree: %SDM.DAT is DIR/S/DM.DAT, names in any letter case, "
                         "in UTF-8 (or Windows-1252)"};
const OptionHelp kLicence{"--licence", "FILE",
                          "the three-language licence (GERMAN, ENGLISH, FRENCH marker lines)"};
const OptionHelp kUninstaller{"--uninstaller", "EXE",
                              "UnInstall.EXE for F*%SUnInstall.EXE when the tree lacks it"};
const OptionHelp kEncoding{"--input-encoding", "NAME",
                           "windows-1252 (default: Windows-1252, or UTF-8 after a byte-order "
                           "mark) or utf-8: take a UTF-8 script and licence, stored as "
                           "Windows-1252 when every character fits, else UTF-8 with the mark"};
const OptionHelp kArch{"--arch", "x86|x64",
                       "the setup.exe's architecture (default x86); x64 for Windows without "
                       "32-bit support"};
const OptionHelp kIdentity{"--identity", "FILE",
                           "the vendor's identity: start-menu folder, add-on key and captions, "
                           "version texts, uninstall entry (docs/identity-file.md)"};
const OptionHelp kStrict{"--strict", nullptr, "treat every warning as an error (for CI)"};
const OptionHelp kAllow{"--allow", "CODES",
                        "comma-separated rule codes whose errors are only warnings"};
const OptionHelp kSignCert{"--sign-cert", "CERT",
                           "sign with Authenticode (osslsigncode): the certificates, PEM or DER"};
const OptionHelp kSignKey{"--sign-key", "KEY", "the private key of the signing certificate"};
const OptionHelp kSignPass{"--sign-pass", "FILE", "a file holding the key's password"};
const OptionHelp kTimestamp{"--timestamp", "URL", "an RFC 3161 time-stamping server"};

}  // namespace

const std::vector<CommandHelp>& AllCommands() {
  static const std::vector<CommandHelp> commands = {
      {"check",
       "SCRIPT [options]",
       "Checks a setup script (and with --source its files) for what would break an "
       "installation. Findings: FILE:LINE: error|warning: text [code] (docs/findings.md).",
       {kSource,
        kLicence,
        kUninstaller,
        kIdentity,
        kArch,
        kEncoding,
        kStrict,
        kAllow,
        {"--json", nullptr, "print the findings as JSON"}}},
      {"build",
       "--script SCRIPT --licence FILE --source DIR -o setup.exe [options]",
       "Checks the script, then builds setup.exe, signed last when --sign-cert is given (the "
       "uninstaller in the payload as well). Any error: no output file (an existing one stays "
       "as it was).",
       {{"--script", "SCRIPT", "the setup script"},
        kLicence,
        kSource,
        {"-o", "FILE", "the setup.exe to write"},
        kArch,
        {"--stub", "EXE",
         "the stub setup program (default: the installed or built setup-stub.exe of --arch)"},
        {"--pictures", "DIR",
         "the product's own pictures: logo.bmp, program.ico, program-folder.bmp, "
         "quick-launch-classic.bmp, quick-launch-xp.bmp (any of them)"},
        {"--icon", "FILE.ico", "the icon Explorer shows for setup.exe"},
        {"--execution-level", "LEVEL",
         "what setup.exe and its uninstaller ask Windows for: highestAvailable (default: an "
         "administrator confirms, a standard user runs as himself), requireAdministrator or "
         "asInvoker",
         "highestAvailable requireAdministrator asInvoker"},
        {"--compression", "fast|small|smallest",
         "fast (default): libdeflate's quickest; small: its smallest, some 6 % smaller for 6 "
         "times the CPU; smallest: per block the smaller of small's and zopfli's, some 4 % "
         "smaller again for 60 times small's CPU (each on every core; setup.exe reads all alike)"},
        kIdentity,
        kUninstaller,
        kSignCert,
        kSignKey,
        kSignPass,
        kTimestamp,
        kEncoding,
        kStrict,
        kAllow}},
      {"list",
       "setup.exe [--json] [--stub EXE]",
       "Shows the header, whether it is signed and by whom, its architecture (x86 or x64), "
       "every action line and each file's sizes.",
       {{"--json", nullptr, "print as JSON (schemaVersion 1)"},
        {"--stub", "EXE",
         "the stub to tell the product's own pictures from (default: the one build takes)"}}},
      {"extract",
       "setup.exe DIR [--force]",
       "Writes setup.txt, licence.txt and the source tree that build takes back.",
       {{"--force", nullptr, "write into a folder that is not empty"},
        {"--stub", "EXE",
         "the stub to tell the product's own pictures from (default: the one build takes)"}}},
      {"init",
       "DIR [--from DIR] | --refresh SCRIPT --from DIR",
       "Writes a starting product: setup.txt, licence.txt, identity.txt and tree/ with the "
       "uninstaller line. With --from, setup.txt has a D or F line for every folder and file of "
       "that tree (its S/ and A/ parts, or the folder itself as S/) and no tree/ is written. "
       "With --refresh, only the D and F lines of SCRIPT follow the tree (lines of new files "
       "added, of files gone removed); every other line stays byte for byte. setup.txt is "
       "Windows-1252, or UTF-8 with a byte-order mark when a name needs it. A name Windows "
       "forbids is an error and nothing is written.",
       {{"--from", "DIR", "the product's source tree to list"},
        {"--refresh", "SCRIPT", "bring this script's D and F lines up to date with --from"}}},
      {"run",
       "setup.exe --root SIMDIR [options]",
       "Installs into a simulated Windows under SIMDIR (a dry run), showing each message box "
       "on stderr. A second run into the same SIMDIR starts from the SIMDIR/registry.txt the "
       "first left. Exit code: 0 installed, 1 an error message ended the run (or registry.txt "
       "is damaged: nothing run), 2 a command line that mksetup or the wizard refuses, 3 the "
       "rights question declined (nothing written).",
       {{"--root", "SIMDIR", "the folder that holds the simulated drives and registry"},
        {"--language", "G|E|F", "the language chosen on the first page"},
        {"--dest", "PATH", "the destination folder (C:\\... or \\\\server\\share...)"},
        {"--drive", "D=DIR",
         "drive D: is the host folder DIR (repeatable; without it D: is SIMDIR/D when that "
         "exists)"},
        {"--profile", "PATH",
         "the simulated user's profile folder (default C:\\Users\\Tester): its last name is "
         "the login name, and AppData, Desktop, the start menu and Quick Launch lie below it"},
        {"--all-users", nullptr, "install for all users"},
        {"--no-desktop", nullptr, "no desktop shortcut"},
        {"--quick-launch", nullptr, "a quick-launch shortcut"},
        {"--addon", nullptr, "tick the add-on box"},
        {"--not-admin", nullptr, "run as a user without administrator rights"},
        {"--decline-admin", nullptr, "answer Cancel to the rights question"}}},
      {"uninstall",
       "--root SIMDIR [options]",
       "Uninstalls from the simulated Windows that mksetup run left under SIMDIR, with the "
       "uninstaller's own reading of UnInstall.LOG, its plan and its removal: each message box "
       "on stderr, each file, folder, key and value removed on stdout. Exit code: 0 removed, 1 "
       "the log refused (nothing removed) or SIMDIR/registry.txt damaged, 2 a command line "
       "refused, 3 the question answered No, 4 removed with something left or refused.",
       {{"--root", "SIMDIR", "the folder mksetup run installed into"},
        {"--log", "PATH",
         "the Windows path of the UnInstall.LOG to use (default: that of the one uninstall "
         "registration)"},
        {"--drive", "D=DIR", "drive D: is the host folder DIR, as for run (repeatable)"},
        {"--no", nullptr, "answer No to the question whether to remove the product"}}},
      {"sign",
       "setup.exe --sign-cert CERT --sign-key KEY [--sign-pass FILE] [--timestamp URL]",
       "Signs a built file with Authenticode in place (a signature it has is replaced). A failed "
       "signing leaves the file as it was.",
       {kSignCert, kSignKey, kSignPass, kTimestamp}},
  };
  return commands;
}

const CommandHelp& HelpOf(const std::string& command) {
  for (const CommandHelp& help : AllCommands()) {
    if (command == help.name) return help;
  }
  throw std::out_of_range("no command " + command);
}

std::string CommandUsage(const std::string& command) {
  return std::string(HelpOf(command).name) + " " + HelpOf(command).synopsis;
}

std::set<std::string> CommandValueOptions(const std::string& command) {
  std::set<std::string> names;
  for (const OptionHelp& option : HelpOf(command).options) {
    if (option.value) names.insert(option.name);
  }
  return names;
}

std::set<std::string> CommandFlagOptions(const std::string& command) {
  std::set<std::string> names;
  for (const OptionHelp& option : HelpOf(command).options) {
    if (!option.value) names.insert(option.name);
  }
  return names;
}

void PrintCommandHelp(std::FILE* out, const std::string& command) {
  const CommandHelp& help = HelpOf(command);
  std::fprintf(out, "usage: mksetup %s %s\n\n%s\n", help.name, help.synopsis, help.summary);
  if (!help.options.empty()) std::fprintf(out, "\noptions:\n");
  for (const OptionHelp& option : help.options) {
    const std::string left =
        std::string(option.name) + (option.value ? " " : "") + (option.value ? option.value : "");
    std::fprintf(out, "  %-22s %s\n", left.c_str(), option.help);
  }
}

void PrintMainHelp(std::FILE* out) {
  std::fprintf(out, "mksetup %s: %s.\n\nusage:\n", kVersion, kPurpose);
  for (const CommandHelp& help : AllCommands()) {
    std::fprintf(out, "  mksetup %s %s\n", help.name, help.synopsis);
  }
  std::fprintf(out,
               "  mksetup --help | --version\n\n'mksetup COMMAND --help' shows a command's "
               "options. The script format: %s (installed: %s/%s).\n",
               kScriptFormatDoc, kInstalledDocs, kScriptFormatDoc);
}

namespace {

// Text as roff reads it literally: a backslash is roff's escape, a minus sign that is not
// escaped may become a hyphen (and break a copied option), and a line starting with a dot or an
// apostrophe would be a request.
std::string Roff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
  return out;
}

std::string Words(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& word : words) out += (out.empty() ? "" : " ") + word;
  return out;
}

// A value that names a file or folder: bash completes it from the file system.
const char* CompletionAction(const OptionHelp& option) {
  const std::string value = option.value;
  if (value == "DIR" || value == "SIMDIR") return "-d";
  if (value == "FILE" || value == "SCRIPT" || value == "EXE" || value == "CERT" || value == "KEY" ||
      value.rfind("FILE.", 0) == 0) {
    return "-f";
  }
  return nullptr;
}

std::string ChoicesOf(const OptionHelp& option) {
  if (option.choices) return option.choices;
  std::string value = option.value;
  if (value.find('|') == std::string::npos) return "";
  for (char& c : value) {
    if (c == '|') c = ' ';
  }
  return value;
}

}  // namespace

std::string ManPage() {
  std::string page = std::string(".TH MKSETUP 1 \"\" \"mksetup ") + kVersion +
                     "\" \"User Commands\"\n.SH NAME\nmksetup \\- " + Roff(kPurpose) +
                     "\n.SH SYNOPSIS\n";
  for (const CommandHelp& help : AllCommands()) {
    page += std::string(".B mksetup ") + help.name + "\n" + Roff(help.synopsis) + "\n.br\n";
  }
  page += ".B mksetup\n\\-\\-help | \\-\\-version\n";
  page += ".SH DESCRIPTION\n.B mksetup\n" + Roff(kPurpose) +
          ". Each command below takes the options listed with it; \\fBmksetup\\fR "
          "\\fICOMMAND\\fR \\fB\\-\\-help\\fR shows the same.\n"
          ".SH COMMANDS\n";
  for (const CommandHelp& help : AllCommands()) {
    page += std::string(".SS\nmksetup ") + help.name + " " + Roff(help.synopsis) + "\n.PP\n" +
            Roff(help.summary) + "\n";
    for (const OptionHelp& option : help.options) {
      page += std::string(".TP\n\\fB") + Roff(option.name) + "\\fR";
      if (option.value) page += std::string(" \\fI") + Roff(option.value) + "\\fR";
      page += "\n" + Roff(option.help) + "\n";
    }
  }
  page += std::string(".SH SEE ALSO\nThe setup script format: ") + Roff(kInstalledDocs) + "/" +
          Roff(kScriptFormatDoc) + "; the other documents beside it, and " + Roff(kInstalledDocs) +
          "/README.md.\n";
  return page;
}

std::string BashCompletion() {
  std::vector<std::string> commands;
  for (const CommandHelp& help : AllCommands()) commands.push_back(help.name);
  std::string script =
      "# bash completion for mksetup, written by mksetup --bash-completion from the table its "
      "--help\n# text is made from.\n"
      "_mksetup() {\n"
      "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
      "  COMPREPLY=()\n"
      "  if [ \"$COMP_CWORD\" -eq 1 ]; then\n"
      "    COMPREPLY=($(compgen -W \"" +
      Words(commands) +
      " --help --version\" -- \"$cur\"))\n"
      "    return\n"
      "  fi\n"
      "  local options\n"
      "  case ${COMP_WORDS[1]} in\n";
  for (const CommandHelp& help : AllCommands()) {
    std::vector<std::string> names;
    std::string values;
    for (const OptionHelp& option : help.options) {
      names.push_back(option.name);
      if (!option.value) continue;
      std::string action;
      const std::string choices = ChoicesOf(option);
      if (!choices.empty()) {
        action = "COMPREPLY=($(compgen -W \"" + choices + "\" -- \"$cur\"))";
      } else if (const char* files = CompletionAction(option)) {
        action = std::string("COMPREPLY=($(compgen ") + files + " -- \"$cur\"))";
      } else {
        action = ":";  // free text: nothing to offer
      }
      values += std::string("        ") + option.name + ") " + action + "; return ;;\n";
    }
    names.push_back("--help");
    script += std::string("    ") + help.name + ")\n";
    if (!values.empty()) script += "      case $prev in\n" + values + "      esac\n";
    script += "      options=\"" + Words(names) + "\" ;;\n";
  }
  script +=
      "    *) return ;;\n"
      "  esac\n"
      "  if [[ $cur == -* ]]; then\n"
      "    COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
      "  else\n"
      "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
      "  fi\n"
      "}\n"
      "complete -o filenames -F _mksetup mksetup\n";
  return script;
}

}  // namespace setup::mksetup
