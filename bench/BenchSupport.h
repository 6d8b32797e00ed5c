#pragma once
// What the benchmarks share: a file mapped read-only, the process's resident-memory figures,
// a scratch folder that removes itself, and a clock.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>

#include "platform/Bytes.h"

namespace setup::bench {

// A whole file mapped read-only, as Windows maps an executable image.
class MappedFile {
 public:
  explicit MappedFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) throw std::runtime_error("cannot open " + path.string());
    size_ = static_cast<std::size_t>(info.st_size);
    void* at = size_ == 0 ? nullptr : ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (at == MAP_FAILED) throw std::runtime_error("cannot map " + path.string());
    data_ = static_cast<const std::uint8_t*>(at);
  }
  ~MappedFile() {
    if (data_ != nullptr) ::munmap(const_cast<std::uint8_t*>(data_), size_);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  ByteSpan Bytes() const { return ByteSpan(data_, size_); }

  // Gives the pages wholly before `end` (a place inside Bytes()) back to the page cache: what
  // was read once is not kept resident, as Windows trims clean image pages. They are read from
  // the cache again if touched.
  void ReleaseBefore(const std::uint8_t* end) {
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t upTo = static_cast<std::size_t>(end - data_) / page * page;
    if (upTo < released_ + kReleaseStep) return;  // one call per megabyte, not per entry
    ::madvise(const_cast<std::uint8_t*>(data_) + released_, upTo - released_, MADV_DONTNEED);
    released_ = upTo;
  }

 private:
  static constexpr std::size_t kReleaseStep = 1 << 20;
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t released_ = 0;
};

// A field of /proc/self/status in kB (VmHWM, VmRSS, RssAnon, RssFile); -1 when missing.
inline long StatusKb(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.compare(0, field.size() + 1, field + ":") == 0) {
      return std::stol(line.substr(field.size() + 1));
    }
  }
  return -1;
}

// Starts the peak (VmHWM) afresh at the present resident size.
inline void ResetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

// A folder made empty at the start and removed with everything in it at the end.
class ScratchFolder {
 public:
  explicit ScratchFolder(std::filesystem::path path) : path_(std::move(path)) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace setup::bench
