#include "Options.h"

#include "Ids.h"

namespace e2e {
namespace {

constexpr const char* kCommands[] = {
    "walk",         "cancel",  "every-language",      "back-from-every-page",
    "refused-dest", "damaged", "enter-on-destination"};

struct Switch {
  const char* flag;
  Tick Options::*field;
  Tick value;
};

constexpr Switch kSwitches[] = {
    {"--all-users", &Options::allUsers, Tick::On},
    {"--one-user", &Options::allUsers, Tick::Off},
    {"--addon", &Options::addOn, Tick::On},
    {"--no-addon", &Options::addOn, Tick::Off},
    {"--desktop", &Options::desktop, Tick::On},
    {"--no-desktop", &Options::desktop, Tick::Off},
    {"--quick-launch", &Options::quickLaunch, Tick::On},
    {"--no-quick-launch", &Options::quickLaunch, Tick::Off},
};

struct Valued {
  const char* flag;
  std::string Options::*field;
};

constexpr Valued kValued[] = {
    {"--exe", &Options::exe},          {"--report", &Options::report}, {"--shots", &Options::shots},
    {"--dest", &Options::destination}, {"--page", &Options::page},
};

bool IsPage(const std::string& name) {
  for (const Page& page : kPages) {
    if (name == page.name) return true;
  }
  return false;
}

// Applies the flag that takes a value; empty on success.
std::string ApplyValue(const std::string& flag, const std::string& value, Options& options) {
  for (const Valued& valued : kValued) {
    if (flag == valued.flag) {
      options.*valued.field = value;
      return {};
    }
  }
  if (flag == "--language") {
    if (value != "G" && value != "E" && value != "F") return "--language takes G, E or F";
    options.language = value[0];
    return {};
  }
  if (flag == "--languages") {
    if (value.empty() || value.find_first_not_of("GEF") != std::string::npos) {
      return "--languages takes G, E and F in the order to visit them";
    }
    options.languages = value;
    return {};
  }
  if (flag == "--answer") {
    if (value != "yes" && value != "no") return "--answer takes yes or no";
    options.answerYes = value == "yes";
    return {};
  }
  return "unknown option " + flag;
}

}  // namespace

bool IsCommand(const std::string& name) {
  for (const char* command : kCommands) {
    if (name == command) return true;
  }
  return false;
}

std::string ParseOptions(const std::vector<std::string>& args, Options& options) {
  if (args.empty() || !IsCommand(args[0])) return "the first argument must be a command";
  options.command = args[0];
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& flag = args[i];
    bool matched = false;
    for (const Switch& entry : kSwitches) {
      if (flag == entry.flag) {
        options.*entry.field = entry.value;
        matched = true;
      }
    }
    if (flag == "--finish-actions") {
      options.finishActions = true;
      matched = true;
    }
    if (flag == "--input-during-run") {
      options.inputDuringRun = true;
      matched = true;
    }
    if (matched) continue;
    if (i + 1 >= args.size()) return flag + " needs a value, or is unknown";
    if (std::string error = ApplyValue(flag, args[++i], options); !error.empty()) return error;
  }
  if (!IsPage(options.page)) return "unknown page " + options.page;
  return {};
}

}  // namespace e2e
