#pragma once
// Whole-file reads and an output file that appears under its name only when it is complete.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace setup::mksetup {

// The whole file; throws ToolError("path: reason") when it cannot be read.
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path);

// Writes to a temporary name beside the target; Commit() renames it to the target. Without a
// commit (an error on the way) the temporary file is removed, so no half-written output is left.
class AtomicOutput {
 public:
  explicit AtomicOutput(const std::filesystem::path& target);
  ~AtomicOutput();
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;

  void Write(const void* data, std::size_t size);
  void WriteAt(std::uint64_t offset, const void* data, std::size_t size);  // patch earlier bytes
  std::uint64_t Size() const { return size_; }
  void Commit();

 private:
  std::filesystem::path target_, temporary_;
  std::FILE* file_ = nullptr;
  std::uint64_t size_ = 0;
};

// A scratch file removed when it goes out of scope.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::filesystem::path& nearTarget);
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Removes the partial and scratch files of target that a process which no longer runs left beside
// it (killed half-way, it never reached the destructors that remove them); those of a process
// that still runs, this one included, stay.
void RemoveStaleScratch(const std::filesystem::path& target);

}  // namespace setup::mksetup
