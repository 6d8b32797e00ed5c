#pragma once
#include "platform/Shell.h"

namespace setup {

// Needs COM initialised in a single-threaded apartment on the calling thread.
class Win32Shell : public Shell {
 public:
  bool SaveShortcut(const std::string& linkPath, const std::string& program,
                    const std::string& workingFolder, const std::string& arguments) override;
  bool StartProgram(const std::string& commandLine, int showCommand) override;
};

}  // namespace setup
