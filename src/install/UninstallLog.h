#pragma once
// The undo records of one installation run, saved as UnInstall.LOG.
#include <string>
#include <vector>

namespace setup {

class FileSystem;

class UninstallLog {
 public:
  void Append(std::string record) { records_.push_back(std::move(record)); }
  // Every record followed by CR LF: the bytes Save writes.
  std::string Bytes() const;
  // Throws SetupError("Cannot create file <path>").
  void Save(FileSystem& files, const std::string& path) const;

 private:
  std::vector<std::string> records_;
};

}  // namespace setup
