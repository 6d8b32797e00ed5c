#pragma once
// Windows paths of the simulated machine mapped to host paths: drive C: is ROOT/C, a server
// share \\srv\share is ROOT/UNC/srv/share.
#include <filesystem>
#include <string>
#include <string_view>

namespace setup {

class SimDrives {
 public:
  explicit SimDrives(std::filesystem::path root) : root_(std::move(root)) {}
  const std::filesystem::path& Root() const { return root_; }

  // The host path of a Windows path. Like Windows, "\" and "/" both separate, "." and ".." are
  // folded, trailing dots and blanks of a name are dropped, a path without a drive is on C:, and
  // an existing entry is found whatever the ASCII letter case of the name given.
  std::filesystem::path HostPath(const std::string& windowsPath) const;

  // HostPath with what the look-up already learnt of the entry, so that callers need not ask
  // the host again: its status without following a link, or not_found when no entry of that
  // name exists in any case, or none when the look-up did not find out.
  struct Resolved {
    std::filesystem::path path;
    std::filesystem::file_status status;
  };
  Resolved Resolve(const std::string& windowsPath) const;
  // The host folder of a drive letter ("C" -> ROOT/C).
  std::filesystem::path DriveFolder(char letter) const;

 private:
  std::filesystem::path root_;
};

// Upper-cases ASCII letters only: the simulated file system compares names this way.
bool SameNameIgnoringCase(std::string_view a, std::string_view b);

}  // namespace setup
