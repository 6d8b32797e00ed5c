// wizard-driver.exe: walks setup.exe's wizard like a user and reports what it saw (see
// Options.h for the command line and Report.h for the report). Exit code 0 when the walk went
// as the command expects, 1 when a step failed (the report's FAIL line says which), 2 for bad
// arguments.
#include <cstdio>
#include <string>
#include <vector>

#include "Options.h"
#include "Report.h"
#include "Walks.h"
#include "Wizard.h"
#include "platform/win32/ProgramStart.h"

namespace {

struct Command {
  const char* name;
  void (*run)(e2e::Wizard&);
};

constexpr Command kCommands[] = {
    {"walk", e2e::Walk},
    {"cancel", e2e::CancelWalk},
    {"every-language", e2e::EveryLanguage},
    {"back-from-every-page", e2e::BackFromEveryPage},
    {"refused-dest", e2e::RefusedDestinationWalk},
    {"damaged", e2e::DamagedWalk},
    {"enter-on-destination", e2e::EnterOnDestination},
};

}  // namespace

int main() {
  e2e::Options options;
  // The arguments in UTF-8, as the report's texts: a destination of any script gets through.
  const std::vector<std::string> arguments = setup::ProgramArguments();
  const std::string error = e2e::ParseOptions(
      std::vector<std::string>(arguments.begin() + (arguments.empty() ? 0 : 1), arguments.end()),
      options);
  if (!error.empty()) {
    std::fprintf(stderr, "wizard-driver: %s\n", error.c_str());
    return 2;
  }
  e2e::Report report(options.report);
  if (!report.Ok()) {
    std::fprintf(stderr, "wizard-driver: cannot write %s\n", options.report.c_str());
    return 2;
  }
  // Wine takes the code pages from the Unix locale of each process: the line shows which ones
  // the walk met, since a prefix alone does not say.
  report.Line("CODEPAGE ANSI " + std::to_string(GetACP()) + " OEM " + std::to_string(GetOEMCP()));
  e2e::Wizard wizard(report, options);
  try {
    wizard.Start();
    for (const Command& command : kCommands) {
      if (options.command == command.name) command.run(wizard);
    }
  } catch (const e2e::StepFailed& failed) {
    report.Line("FAIL " + failed.reason);
    std::fprintf(stderr, "wizard-driver: %s\n", failed.reason.c_str());
    wizard.Abandon();
    return 1;
  }
  report.Line("DONE");
  return 0;
}
