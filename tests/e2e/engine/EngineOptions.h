#pragma once
// The command line of engine-run.exe: the wizard choices that the installation run reads from
// the dialog, given as switches instead of clicks.
#include <optional>
#include <string>
#include <vector>

namespace engine_e2e {

struct EngineOptions {
  std::string report;   // where the report goes
  char language = 'E';  // G, E or F: the language button that is checked
  bool allUsers = false;
  std::string destination;  // the text of the destination edit box
  bool desktop = false;
  bool quickLaunch = false;
  bool addOn = false;
  std::vector<std::string> answers;  // buttons for the message boxes, in order
};

// REPORT [--language G|E|F] [--all-users] [--destination PATH] [--desktop] [--quick-launch]
// [--add-on] [--answer ok|cancel|yes|no]...; nothing when the line is not of that form.
std::optional<EngineOptions> ParseEngineOptions(const std::vector<std::string>& args);

}  // namespace engine_e2e
