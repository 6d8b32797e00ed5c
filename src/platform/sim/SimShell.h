#pragma once
// Shortcuts of the simulated machine as readable text files, and recorded program starts.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/Shell.h"
#include "platform/sim/SimDrives.h"

namespace setup {

struct SimShortcut {
  std::string linkPath, program, workingFolder, arguments;
};

struct SimStart {
  std::string commandLine;
  int showCommand = 0;
};

class SimShell : public Shell {
 public:
  explicit SimShell(const SimDrives& drives) : drives_(drives) {}

  // Writes linkPath as text: "Program=", "WorkingFolder=", "Arguments=" lines (CR LF). Fails,
  // as IPersistFile::Save does, when the folder is missing or the file cannot be written.
  bool SaveShortcut(const std::string& linkPath, const std::string& program,
                    const std::string& workingFolder, const std::string& arguments) override;
  // Records the start; when a starts file is set, appends the command line to it as well.
  bool StartProgram(const std::string& commandLine, int showCommand) override;

  void SetStartsFile(std::filesystem::path path) { startsFile_ = std::move(path); }

  std::vector<SimShortcut> shortcuts;  // saved ones, in order
  std::vector<SimStart> starts;

 private:
  const SimDrives& drives_;
  std::optional<std::filesystem::path> startsFile_;
};

}  // namespace setup
