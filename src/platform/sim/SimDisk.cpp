#include "platform/sim/SimDisk.h"

#include <algorithm>
#include <filesystem>

#include "text/ScriptText.h"

namespace setup {

namespace fs = std::filesystem;

bool SimDisk::GetDiskSpace(const std::string& root, DiskSpace& space) {
  if (root.empty()) return false;
  const char letter = ToUpperAscii(root[0]);
  std::error_code error;
  const fs::path folder = drives_.DriveFolder(letter);
  if (!fs::is_directory(folder, error)) return false;
  const fs::space_info info = fs::space(folder, error);
  if (error) return false;
  space = {info.available, info.capacity};
  return true;
}

std::vector<std::string> SimDisk::ListDrives() {
  std::vector<std::string> drives;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(drives_.Root(), error)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_directory(error) && name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z') {
      drives.push_back(name + ":\\");
    }
  }
  for (char letter : drives_.MappedLetters()) drives.push_back(std::string(1, letter) + ":\\");
  std::sort(drives.begin(), drives.end());
  drives.erase(std::unique(drives.begin(), drives.end()), drives.end());
  return drives;
}

std::vector<std::string> SimDisk::ListSubFolders(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(drives_.HostPath(folder), error)) {
    if (entry.is_directory(error)) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return ToUpperAscii(a) < ToUpperAscii(b);
  });
  return names;
}

}  // namespace setup
