#pragma once
// What the benchmarks share: a file mapped read-only, the process's resident-memory figures,
// a scratch folder that removes itself, a clock, child processes measured, and a stub image.
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "io/MappedFile.h"
#include "text/Bytes.h"

namespace setup::bench {

// Whether program is an executable file in a folder of PATH.
inline bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (!folder.empty() && ::access((folder + "/" + program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

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

struct ChildFigures {
  double seconds = 0;  // wall clock
  double cpuSeconds = 0;
  long peakKb = 0;  // ru_maxrss of the child (and of the children it waited for)
  int status = -1;
};

inline std::vector<char*> Argv(std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return argv;
}

// Starts a program with its output thrown away; its process id.
inline pid_t Start(std::vector<std::string> args) {
  std::vector<char*> argv = Argv(args);
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    // Nothing outlives a benchmark that was killed outright.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  return pid;
}

// Runs a program in a child process and waits for it. The parent stays small, so that the
// child's peak starts from little more than its own image.
inline ChildFigures Spawn(std::vector<std::string> args) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = Start(std::move(args));
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  ChildFigures figures;
  figures.seconds = SecondsSince(start);
  figures.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                       (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  figures.peakKb = usage.ru_maxrss;
  figures.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return figures;
}

// The smallest PE32 image the builder accepts: headers and one section with a ret.
inline std::vector<std::uint8_t> MinimalImage() {
  std::vector<std::uint8_t> b(0x400, 0);
  const auto put = [&](std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  struct Field {
    std::size_t at;
    std::uint32_t value;
    int bytes;
  };
  constexpr std::size_t opt = 0x58, section = opt + 224;
  const Field fields[] = {
      {0, 0x5A4D, 2},
      {0x3C, 0x40, 4},
      {0x40, 0x4550, 4},
      {0x44, 0x14C, 2},
      {0x46, 1, 2},
      {0x54, 224, 2},
      {0x56, 0x102, 2},
      {opt, 0x10B, 2},
      {opt + 16, 0x1000, 4},
      {opt + 28, 0x400000, 4},
      {opt + 32, 0x1000, 4},
      {opt + 36, 0x200, 4},
      {opt + 40, 4, 2},
      {opt + 56, 0x2000, 4},
      {opt + 60, 0x200, 4},
      {opt + 68, 2, 2},
      {opt + 92, 16, 4},
      {section, 0x7865742E, 4},
      {section + 8, 0x10, 4},
      {section + 12, 0x1000, 4},
      {section + 16, 0x200, 4},
      {section + 20, 0x200, 4},
      {section + 36, 0x60000020, 4},
      {0x200, 0xC3, 1},
  };
  for (const Field& field : fields) put(field.at, field.value, field.bytes);
  return b;
}

}  // namespace setup::bench
