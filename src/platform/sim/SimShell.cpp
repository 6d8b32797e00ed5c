#include "platform/sim/SimShell.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace setup {
namespace {

bool WriteAll(int fd, const std::string& text) {
  const char* data = text.data();
  std::size_t size = text.size();
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

bool SimShell::SaveShortcut(const std::string& linkPath, const std::string& program,
                            const std::string& workingFolder, const std::string& arguments) {
  const std::filesystem::path host = drives_.HostPath(linkPath);
  if (host.empty()) return false;
  // A missing folder fails the open (ENOENT), as IPersistFile::Save fails.
  const HostFd fd = drives_.Open(host, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (!fd) return false;
  drives_.NoteCreated(host);
  if (!WriteAll(fd.Get(), "Program=" + program + "\r\nWorkingFolder=" + workingFolder +
                              "\r\nArguments=" + arguments + "\r\n")) {
    return false;
  }
  shortcuts.push_back({linkPath, program, workingFolder, arguments});
  return true;
}

bool SimShell::StartProgram(const std::string& commandLine, int showCommand) {
  starts.push_back({commandLine, showCommand});
  if (startsFile_) {
    const HostFd fd = drives_.Open(*startsFile_, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd) WriteAll(fd.Get(), commandLine + "\r\n");
  }
  return true;
}

}  // namespace setup
