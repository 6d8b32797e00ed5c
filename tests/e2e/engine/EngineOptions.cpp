#include "EngineOptions.h"

#include <functional>

namespace engine_e2e {
namespace {

struct Flag {
  const char* name;
  bool EngineOptions::*field;
};
constexpr Flag kFlags[] = {
    {"--all-users", &EngineOptions::allUsers},
    {"--desktop", &EngineOptions::desktop},
    {"--quick-launch", &EngineOptions::quickLaunch},
    {"--add-on", &EngineOptions::addOn},
};

// A switch with a value: false when the value is not acceptable.
struct Valued {
  const char* name;
  std::function<bool(EngineOptions&, const std::string&)> take;
};

bool TakeLanguage(EngineOptions& options, const std::string& value) {
  if (value != "G" && value != "E" && value != "F") return false;
  options.language = value[0];
  return true;
}

bool TakeAnswer(EngineOptions& options, const std::string& value) {
  if (value != "ok" && value != "cancel" && value != "yes" && value != "no") return false;
  options.answers.push_back(value);
  return true;
}

const Valued kValued[] = {
    {"--language", TakeLanguage},
    {"--destination",
     [](EngineOptions& options, const std::string& value) {
       options.destination = value;
       return true;
     }},
    {"--answer", TakeAnswer},
};

bool TakeFlag(EngineOptions& options, const std::string& arg) {
  for (const Flag& flag : kFlags) {
    if (arg != flag.name) continue;
    options.*flag.field = true;
    return true;
  }
  return false;
}

const Valued* FindValued(const std::string& arg) {
  for (const Valued& valued : kValued) {
    if (arg == valued.name) return &valued;
  }
  return nullptr;
}

}  // namespace

std::optional<EngineOptions> ParseEngineOptions(const std::vector<std::string>& args) {
  if (args.empty() || args[0].empty() || args[0][0] == '-') return std::nullopt;
  EngineOptions options;
  options.report = args[0];
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (TakeFlag(options, args[i])) continue;
    const Valued* valued = FindValued(args[i]);
    if (!valued || i + 1 == args.size() || !valued->take(options, args[i + 1])) {
      return std::nullopt;
    }
    ++i;
  }
  return options;
}

}  // namespace engine_e2e
