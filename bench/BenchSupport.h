#pragma once
// What the benchmarks share: a file mapped read-only, the process's resident-memory figures,
// a scratch folder that removes itself, and a clock.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>

#include "MappedFile.h"
#include "text/Bytes.h"

namespace setup::bench {

// mksetup maps setup.exe the same way; the benchmarks measure that very mapping.
using MappedFile = setup::mksetup::MappedFile;

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
