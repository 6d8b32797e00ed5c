#pragma once
// The file system of the simulated machine, written straight to the host folders.
#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <unordered_set>

#include "platform/FileSystem.h"
#include "platform/sim/SimDrives.h"

namespace setup {

class SimFileSystem : public FileSystem {
 public:
  explicit SimFileSystem(const SimDrives& drives) : drives_(drives) {}

  bool DirectoryExists(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  bool CreateDirectories(const std::string& path) override;
  // Null for a missing folder, a folder of that name, a read-only file (no owner write bit, the
  // sim's read-only attribute, also when the tests run as root) or a file that is still open.
  std::unique_ptr<OutputFile> CreateFileExclusive(const std::string& path) override;
  bool RemoveFile(const std::string& path) override;
  bool RemoveEmptyFolder(const std::string& path) override;
  std::optional<std::string> ReadFileBytes(const std::string& path) override;

  // The bytes that all files together may still take; writing past it is "Stream write error",
  // as on a full disk.
  void SetWriteLimit(std::uint64_t bytes) { writeLimit_ = bytes; }
  // Marks a file read-only (clears the owner write bit of the host file).
  void MakeReadOnly(const std::string& path);

 private:
  class File;
  const SimDrives& drives_;
  std::unordered_set<std::string> open_;  // host paths, as Resolve spells them
  std::uint64_t writeLimit_ = std::numeric_limits<std::uint64_t>::max();
};

}  // namespace setup
