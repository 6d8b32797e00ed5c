// mksetup: builds a setup.exe from a script, a licence and a source tree, and inspects one.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "command/CommandHelp.h"
#include "command/Commands.h"
#include "io/ToolError.h"

namespace {

using Command = int (*)(const std::vector<std::string>&);

struct CommandEntry {
  const char* name;
  Command run;
};

constexpr CommandEntry kCommands[] = {
    {"check", setup::mksetup::CheckCommand}, {"build", setup::mksetup::BuildCommand},
    {"list", setup::mksetup::ListCommand},   {"extract", setup::mksetup::ExtractCommand},
    {"init", setup::mksetup::InitCommand},   {"run", setup::mksetup::RunCommand},
    {"sign", setup::mksetup::SignCommand},   {"uninstall", setup::mksetup::UninstallCommand},
};

bool AsksForHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    setup::mksetup::PrintMainHelp(stderr);
    return 2;
  }
  const std::string name = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (name == "--help" || name == "-h" || name == "help") {
    if (!args.empty()) {
      for (const CommandEntry& command : kCommands) {
        if (args[0] == command.name) {
          setup::mksetup::PrintCommandHelp(stdout, command.name);
          return 0;
        }
      }
    }
    setup::mksetup::PrintMainHelp(stdout);
    return 0;
  }
  if (name == "--version") {
    std::printf("mksetup %s\n", setup::mksetup::kVersion);
    return 0;
  }
  // Not in --help: the build writes the package's man page and bash completion with them.
  if (name == "--man-page" || name == "--bash-completion") {
    const std::string text =
        name == "--man-page" ? setup::mksetup::ManPage() : setup::mksetup::BashCompletion();
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
  }
  for (const CommandEntry& command : kCommands) {
    if (name != command.name) continue;
    if (AsksForHelp(args)) {
      setup::mksetup::PrintCommandHelp(stdout, command.name);
      return 0;
    }
    try {
      return command.run(args);
    } catch (const setup::mksetup::UsageError& error) {
      std::fprintf(stderr, "mksetup %s: %s\n", command.name, error.what());
      return 2;
    } catch (const std::exception& error) {
      std::fprintf(stderr, "mksetup %s: %s\n", command.name, error.what());
      return 1;
    }
  }
  setup::mksetup::PrintMainHelp(stderr);
  return 2;
}
