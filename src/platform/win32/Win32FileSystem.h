#pragma once
#include "platform/FileSystem.h"

namespace setup {

class Win32FileSystem : public FileSystem {
 public:
  bool DirectoryExists(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  bool CreateDirectories(const std::string& path) override;
  std::unique_ptr<OutputFile> CreateFileExclusive(const std::string& path) override;
  bool RemoveFile(const std::string& path) override;
  bool RemoveEmptyFolder(const std::string& path) override;
  std::optional<std::string> ReadFileBytes(const std::string& path) override;
  std::string ComparisonKey(const std::string& path) override;
  std::string Utf8FromAnsi(const std::string& bytes) override;
};

}  // namespace setup
