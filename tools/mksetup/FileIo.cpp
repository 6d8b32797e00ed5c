#include "FileIo.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "ToolError.h"

namespace setup::mksetup {
namespace fs = std::filesystem;
namespace {

fs::path UniqueSibling(const fs::path& target, const char* kind) {
  static unsigned counter = 0;
  const std::string name = "." + target.filename().string() + "." + kind + "-" +
                           std::to_string(::getpid()) + "-" + std::to_string(++counter);
  return target.parent_path() / name;
}

std::string SystemReason() {
  return std::strerror(errno);
}

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const fs::path& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) throw ToolError(path.string(), "cannot be read: " + SystemReason());
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[1 << 16];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) throw ToolError(path.string(), "cannot be read: " + SystemReason());
  return bytes;
}

AtomicOutput::AtomicOutput(const fs::path& target)
    : target_(target), temporary_(UniqueSibling(target, "partial")) {
  file_ = std::fopen(temporary_.c_str(), "wb");
  if (!file_) throw ToolError(target.string(), "cannot be written: " + SystemReason());
}

AtomicOutput::~AtomicOutput() {
  if (file_) std::fclose(file_);
  std::error_code ignored;
  if (!temporary_.empty()) fs::remove(temporary_, ignored);
}

void AtomicOutput::Write(const void* data, std::size_t size) {
  if (size != 0 && std::fwrite(data, 1, size, file_) != size) {
    throw ToolError(target_.string(), "cannot be written: " + SystemReason());
  }
  size_ += size;
}

void AtomicOutput::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
  if (std::fflush(file_) != 0 || std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0 ||
      std::fwrite(data, 1, size, file_) != size || std::fseek(file_, 0, SEEK_END) != 0) {
    throw ToolError(target_.string(), "cannot be written: " + SystemReason());
  }
}

void AtomicOutput::Commit() {
  const int closed = std::fclose(file_);
  file_ = nullptr;
  if (closed != 0) throw ToolError(target_.string(), "cannot be written: " + SystemReason());
  std::error_code error;
  fs::rename(temporary_, target_, error);
  if (error) throw ToolError(target_.string(), "cannot be written: " + error.message());
  temporary_.clear();
}

TemporaryFile::TemporaryFile(const fs::path& nearTarget)
    : path_(UniqueSibling(nearTarget, "scratch")) {}

TemporaryFile::~TemporaryFile() {
  std::error_code ignored;
  fs::remove(path_, ignored);
}

}  // namespace setup::mksetup
