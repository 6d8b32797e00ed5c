#pragma once
// Shell links and program starts.
#include <string>

namespace setup {

class Shell {
 public:
  virtual ~Shell() = default;
  // Saves a shell link at linkPath; false when the link object cannot be made or saved.
  virtual bool SaveShortcut(const std::string& linkPath, const std::string& program,
                            const std::string& workingFolder, const std::string& arguments) = 0;
  // Starts a command line (WinExec) without waiting; the result is whether it started.
  virtual bool StartProgram(const std::string& commandLine, int showCommand) = 0;
};

}  // namespace setup
