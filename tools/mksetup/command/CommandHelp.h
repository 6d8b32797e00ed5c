#pragma once
// The commands of mksetup with their options, as one table: the parsers take their option names
// from it and --help prints it, so no option goes missing from its command's help.
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace setup::mksetup {

// The project's one version (project(VERSION) in CMake), which the package carries as well.
inline constexpr const char* kVersion = SETUP_VERSION;

struct OptionHelp {
  const char* name;
  const char* value;  // nullptr: a flag
  const char* help;
  // The words the value may be, space-separated, when the value names a choice rather than a
  // file: bash completion offers them. A value written as "A|B" is its own list.
  const char* choices = nullptr;
};

struct CommandHelp {
  const char* name;
  const char* synopsis;  // after "mksetup NAME"
  const char* summary;
  std::vector<OptionHelp> options;
};

const std::vector<CommandHelp>& AllCommands();
// Throws std::out_of_range for a name that is not a command.
const CommandHelp& HelpOf(const std::string& command);

std::string CommandUsage(const std::string& command);  // "check SCRIPT [--source DIR] ..."
std::set<std::string> CommandValueOptions(const std::string& command);
std::set<std::string> CommandFlagOptions(const std::string& command);

void PrintCommandHelp(std::FILE* out, const std::string& command);
void PrintMainHelp(std::FILE* out);

// The same table as a man page (roff) and as a bash completion script, written at build time by
// the hidden options --man-page and --bash-completion so that neither can drift from --help.
std::string ManPage();
std::string BashCompletion();

}  // namespace setup::mksetup
