#pragma once
// Command-line arguments of one sub-command: options with a value, flags, and positionals.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace setup::mksetup {

struct Arguments {
  std::map<std::string, std::string> values;                  // the last value of each option
  std::map<std::string, std::vector<std::string>> allValues;  // every value, in order
  std::set<std::string> flags;
  std::vector<std::string> positionals;

  std::optional<std::string> Value(const std::string& name) const;
  // Every value of an option that may be given more than once.
  std::vector<std::string> Values(const std::string& name) const;
  bool Flag(const std::string& name) const { return flags.count(name) != 0; }
};

// Throws ToolError("usage: ...") for an unknown option or one without its value.
Arguments ParseArguments(const std::vector<std::string>& args,
                         const std::set<std::string>& valueOptions,
                         const std::set<std::string>& flagOptions);

}  // namespace setup::mksetup
