#pragma once
// How the installation run reports where it is; the wizard shows it on its action page, a run
// without windows shows it as it likes. The run never reaches into the dialog.
#include <string>

namespace setup {

class InstallProgress {
 public:
  virtual ~InstallProgress() = default;
  // The line being carried out: its folder or file path, "Execute <command>" or "Registry".
  virtual void Action(const std::string& text) = 0;
  // Before each line: the share of lines done, 1 to 99.
  virtual void Percent(int percent) = 0;
  // After each piece of a file written: still at the same line (a large file takes seconds).
  virtual void StillWorking() = 0;
};

}  // namespace setup
