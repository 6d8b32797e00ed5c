#pragma once
// Files and folders: test, create folders with their parents, write a new file.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "text/Utf8.h"

namespace setup {

// Where inflated bytes go: a file being written, or a memory buffer.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Throws SetupError("Stream write error") when the bytes cannot be written.
  virtual void Append(const std::uint8_t* data, std::size_t size) = 0;
};

class OutputFile : public ByteSink {
 public:
  ~OutputFile() override = default;  // closes the file
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual bool DirectoryExists(const std::string& path) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  // Creates the folder and every missing parent, outermost first; false when it does not exist
  // afterwards.
  virtual bool CreateDirectories(const std::string& path) = 0;
  // Creates or truncates the file for exclusive writing; null when that is not possible.
  virtual std::unique_ptr<OutputFile> CreateFileExclusive(const std::string& path) = 0;

  // For the uninstaller. An implementation without them can remove nothing and read nothing.
  // Deletes a file (never a folder); false when it still exists afterwards.
  virtual bool RemoveFile(const std::string& path) { return !FileExists(path); }
  // Deletes the folder only when it is empty; false when it still exists afterwards.
  virtual bool RemoveEmptyFolder(const std::string& path) { return !DirectoryExists(path); }
  // The path as the file system compares it: each existing name in its long form (an 8.3 alias
  // resolved), then every letter folded to upper case by the file system's own rules, not ASCII
  // only. Two paths name the same entry when their keys are equal, and one lies in a folder when
  // its key begins with the folder's; a key is for comparing, never for opening.
  virtual std::string ComparisonKey(const std::string& path) { return FoldPathCase(path); }
  // The whole content of a file; nothing when it cannot be read.
  virtual std::optional<std::string> ReadFileBytes(const std::string& /*path*/) {
    return std::nullopt;
  }
  // Text in the machine's ANSI code page (a log that a setup of before wrote that way) as UTF-8.
  // The default is Windows-1252, the code page of the simulated machine.
  virtual std::string Utf8FromAnsi(const std::string& bytes) { return Utf8From1252(bytes); }
};

}  // namespace setup
