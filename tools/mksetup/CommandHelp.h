#pragma once
// The commands of mksetup with their options, as one table: the parsers take their option names
// from it and --help prints it, so no option goes missing from its command's help.
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace setup::mksetup {

inline constexpr const char* kVersion = "1.1.0";

struct OptionHelp {
  const char* name;
  const char* value;  // nullptr: a flag
  const char* help;
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

}  // namespace setup::mksetup
