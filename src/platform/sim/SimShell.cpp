#include "platform/sim/SimShell.h"

#include <fstream>

namespace setup {

bool SimShell::SaveShortcut(const std::string& linkPath, const std::string& program,
                            const std::string& workingFolder, const std::string& arguments) {
  const std::filesystem::path host = drives_.HostPath(linkPath);
  std::error_code error;
  if (!std::filesystem::is_directory(host.parent_path(), error)) return false;
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out << "Program=" << program << "\r\nWorkingFolder=" << workingFolder
      << "\r\nArguments=" << arguments << "\r\n";
  out.close();
  if (std::filesystem::exists(host, error)) drives_.NoteCreated(host);
  if (!out) return false;
  shortcuts.push_back({linkPath, program, workingFolder, arguments});
  return true;
}

bool SimShell::StartProgram(const std::string& commandLine, int showCommand) {
  starts.push_back({commandLine, showCommand});
  if (startsFile_) {
    std::ofstream out(*startsFile_, std::ios::binary | std::ios::app);
    out << commandLine << "\r\n";
  }
  return true;
}

}  // namespace setup
