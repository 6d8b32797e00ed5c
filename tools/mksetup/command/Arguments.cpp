#include "Arguments.h"

#include "io/ToolError.h"

namespace setup::mksetup {

std::optional<std::string> Arguments::Value(const std::string& name) const {
  const auto it = values.find(name);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

std::vector<std::string> Arguments::Values(const std::string& name) const {
  const auto it = allValues.find(name);
  return it == allValues.end() ? std::vector<std::string>() : it->second;
}

Arguments ParseArguments(const std::vector<std::string>& args,
                         const std::set<std::string>& valueOptions,
                         const std::set<std::string>& flagOptions) {
  Arguments parsed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (valueOptions.count(arg)) {
      if (i + 1 == args.size()) throw UsageError("usage: " + arg + " needs a value");
      parsed.values[arg] = args[++i];
      parsed.allValues[arg].push_back(args[i]);
    } else if (flagOptions.count(arg)) {
      parsed.flags.insert(arg);
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError("usage: unknown option " + arg);
    } else {
      parsed.positionals.push_back(arg);
    }
  }
  return parsed;
}

}  // namespace setup::mksetup
