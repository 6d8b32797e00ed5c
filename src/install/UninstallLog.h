#pragma once
// The undo records of one installation run, saved as UnInstall.LOG.
#include <string>
#include <string_view>

namespace setup {

class FileSystem;

class UninstallLog {
 public:
  // Kept as the bytes Save writes, not as records: a run appends thousands and saves them once.
  void Append(std::string_view record) {
    bytes_ += record;
    bytes_ += "\r\n";
  }
  // Every record followed by CR LF: the bytes Save writes.
  const std::string& Bytes() const { return bytes_; }
  // Throws SetupError("Cannot create file <path>").
  void Save(FileSystem& files, const std::string& path) const;

 private:
  std::string bytes_;
};

}  // namespace setup
