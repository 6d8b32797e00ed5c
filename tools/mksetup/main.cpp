// mksetup: builds a setup.exe from a script, a licence and a source tree, and inspects one.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "Commands.h"

namespace {

using Command = int (*)(const std::vector<std::string>&);

struct CommandEntry {
  const char* name;
  Command run;
  const char* usage;
};

constexpr CommandEntry kCommands[] = {
    {"check", setup::mksetup::CheckCommand, "check SCRIPT [--source DIR] [--licence FILE]"},
    {"build", setup::mksetup::BuildCommand,
     "build --script SCRIPT --licence LICENCE --source DIR -o setup.exe [--stub STUB] "
     "[--uninstaller EXE]"},
    {"list", setup::mksetup::ListCommand, "list setup.exe [--json]"},
    {"extract", setup::mksetup::ExtractCommand, "extract setup.exe DIR"},
    {"run", setup::mksetup::RunCommand, "run setup.exe ..."},
};

int Usage() {
  std::fprintf(stderr, "usage:\n");
  for (const CommandEntry& command : kCommands)
    std::fprintf(stderr, "  mksetup %s\n", command.usage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string name = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  for (const CommandEntry& command : kCommands) {
    if (name != command.name) continue;
    try {
      return command.run(args);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "mksetup %s: %s\n", command.name, error.what());
      return 1;
    }
  }
  return Usage();
}
