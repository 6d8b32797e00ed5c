// The installation run of the reference product (4,064 files, 102,981,126 bytes, deflated to
// about 78.5 %) through the simulated Windows, into a folder on tmpfs and into one on disk,
// beside `tar -xzf` of a gzip -1 tarball of the same tree on tmpfs. Each run is a child process,
// so that its time and peak resident size are its own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "Build.h"
#include "Commands.h"
#include "ReferenceShape.h"
#include "ToolPaths.h"
#include "platform/sim/SimPlatform.h"

namespace {
namespace fs = std::filesystem;
using namespace setup;
using setup::bench::SecondsSince;

constexpr int kRounds = 3;

struct ChildFigures {
  double seconds = 0;  // wall clock
  double cpuSeconds = 0;
  long peakKb = 0;  // ru_maxrss of the child (and of the children it waited for)
  int status = -1;
};

// Runs a program in a child process with its output thrown away. The parent stays small, so
// that the child's peak starts from little more than its own image.
ChildFigures Spawn(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::fflush(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
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
std::vector<std::uint8_t> MinimalImage() {
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

// setup-stub.exe or the resource probe of a win32 build when there is one, else a minimal
// image: the run reads only the two resources, so the stub does not change what is measured.
fs::path FindStub(const fs::path& scratch) {
  if (auto stub = mksetup::FindWindowsProgram("MKSETUP_STUB", "setup-stub.exe")) return *stub;
  if (auto probe = mksetup::FindWindowsProgram("BENCH_STUB", "resource-probe.exe")) return *probe;
  const std::vector<std::uint8_t> image = MinimalImage();
  const fs::path path = scratch / "stub.exe";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()),
             static_cast<std::streamsize>(image.size()));
  return path;
}

// The trials in the order main lists them.
enum : std::size_t { kRunShm, kRunDisk, kTarShm, kTarDisk };

struct Trial {
  const char* name;
  std::vector<std::string> command;  // the last argument is the folder to run into
  ChildFigures best;                 // the fastest round; its peak is the largest of all rounds
};

void RunTrials(std::vector<Trial>& trials) {
  for (int round = 0; round < kRounds; ++round) {
    for (Trial& trial : trials) {
      const fs::path into = trial.command.back();
      fs::remove_all(into);
      fs::create_directories(into);
      const ChildFigures figures = Spawn(trial.command);
      if (figures.status != 0) std::printf("%s: exit status %d\n", trial.name, figures.status);
      const long peak = std::max(trial.best.peakKb, figures.peakKb);
      if (round == 0 || figures.seconds < trial.best.seconds) trial.best = figures;
      trial.best.peakKb = peak;
      fs::remove_all(into);
    }
  }
}

// Bytes and files under a folder, to see that a run wrote the whole product.
std::pair<std::uint64_t, std::uint64_t> Tally(const fs::path& folder) {
  std::uint64_t files = 0, bytes = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    ++files;
    bytes += entry.file_size();
  }
  return {files, bytes};
}

// What the installation run asks of the simulated Windows for each F line, for count new files in
// one folder: the folder made (it exists after the first), then the file created and written.
int FilesInOneFolder(const fs::path& root, int count) {
  SimPlatform sim(root);
  const std::uint8_t byte = 'x';
  for (int i = 0; i < count; ++i) {
    if (!sim.files.CreateDirectories("C:\\Big\\")) return 1;
    const auto file = sim.files.CreateFileExclusive("C:\\Big\\File" + std::to_string(i) + ".dat");
    if (!file) return 1;
    file->Append(&byte, 1);
  }
  return 0;
}

// The steps that run as children of the benchmark: bench_install --child STEP ARGS.
int Child(const std::vector<std::string>& args) {
  if (args.size() == 3 && args[0] == "folder") {
    return FilesInOneFolder(args[2], std::stoi(args[1]));
  }
  if (args.size() == 3 && args[0] == "run") {
    return mksetup::RunCommand({args[1], "--root", args[2]});
  }
  if (args.size() == 3 && args[0] == "build") {
    const fs::path product = args[1], exe = args[2];
    mksetup::BuildOptions options{product / "setup.txt", product / "licence.txt",
                                  product / "tree",      exe,
                                  FindStub(product),     std::nullopt};
    const mksetup::PayloadSummary summary = mksetup::BuildSetup(options);
    std::FILE* out = std::fopen((exe.string() + ".txt").c_str(), "w");
    if (out == nullptr) return 1;
    std::fprintf(out,
                 "%llu entries, %llu blocks, %llu bytes inflated, payload %llu bytes "
                 "(%.2f %%), stub %s",
                 static_cast<unsigned long long>(summary.entries),
                 static_cast<unsigned long long>(summary.blocks),
                 static_cast<unsigned long long>(summary.inflatedBytes),
                 static_cast<unsigned long long>(summary.payloadBytes),
                 100.0 * summary.payloadBytes / summary.inflatedBytes,
                 options.stub.filename().c_str());
    return std::fclose(out) == 0 ? 0 : 1;
  }
  return 2;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  std::string text;
  std::getline(in, text);
  return text;
}

// One step that has to succeed before anything is measured.
bool Prepare(const char* what, const std::vector<std::string>& command) {
  const ChildFigures figures = Spawn(command);
  if (figures.status == 0) {
    std::printf("  %-34s %6.2f s\n", what, figures.seconds);
    return true;
  }
  std::fprintf(stderr, "bench_install: %s failed (exit status %d)\n", what, figures.status);
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == "--child") {
    try {
      return Child({args.begin() + 1, args.end()});
    } catch (const std::exception& error) {
      std::fprintf(stderr, "bench_install: %s\n", error.what());
      return 1;
    }
  }
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  const fs::path bin = mksetup::ToolFolder();
  const fs::path shmBase =
      fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  const std::string tag = "bench_install." + std::to_string(::getpid());
  const bench::ScratchFolder shm(shmBase / tag), disk(bin.parent_path() / tag);
  const std::string product = (shm.Path() / "product").string();
  const std::string exe = (shm.Path() / "setup.exe").string();
  const std::string tarball = (shm.Path() / "tree.tgz").string();
  const std::string tree = product + "/tree";

  std::printf("preparing in %s and %s:\n", shm.Path().c_str(), disk.Path().c_str());
  if (!Prepare("make_sample_tree --reference",
               {(bin / "make_sample_tree").string(), product, "--reference"}) ||
      !Prepare("build (mksetup's BuildSetup)", {self, "--child", "build", product, exe}) ||
      !Prepare("tar with gzip -1", {"tar", "-C", tree, "-I", "gzip -1", "-cf", tarball, "."})) {
    return 1;
  }
  std::printf("  setup.exe: %s\n", ReadText(exe + ".txt").c_str());
  std::printf("  tarball: %llu bytes\n", static_cast<unsigned long long>(fs::file_size(tarball)));

  const std::string shmRun = (shm.Path() / "run").string(),
                    diskRun = (disk.Path() / "run").string();
  std::vector<Trial> trials = {
      {"mksetup run, tmpfs", {self, "--child", "run", exe, shmRun}, {}},
      {"mksetup run, disk", {self, "--child", "run", exe, diskRun}, {}},
      {"tar -xzf, tmpfs", {"tar", "-xzf", tarball, "-C", shmRun}, {}},
      {"tar -xzf, disk", {"tar", "-xzf", tarball, "-C", diskRun}, {}},
  };
  RunTrials(trials);
  std::printf("best of %d rounds (wall, cpu of the child and its children, peak resident):\n",
              kRounds);
  for (const Trial& trial : trials) {
    std::printf("  %-34s %6.3f s  cpu %6.3f s  peak %7ld kB\n", trial.name, trial.best.seconds,
                trial.best.cpuSeconds, trial.best.peakKb);
  }
  // Wall clock and CPU against the tarball of the same folder kind.
  const auto ratio = [&](std::size_t run, std::size_t tar) {
    std::printf("  %-34s wall %.3f  cpu %.3f\n", trials[run].name,
                trials[run].best.seconds / trials[tar].best.seconds,
                trials[run].best.cpuSeconds / trials[tar].best.cpuSeconds);
  };
  std::printf("run/tar:\n");
  for (const auto& [run, tar] : {std::pair{kRunShm, kTarShm}, std::pair{kRunDisk, kTarDisk}}) {
    ratio(run, tar);
  }

  // Many files in one folder: each new name is looked up in every case first, as on Windows.
  std::printf("new files in one folder through the simulated Windows (tmpfs, one round):\n");
  for (int count : {5000, 20000}) {
    const std::string into = (shm.Path() / "folder").string();
    fs::remove_all(into);
    const ChildFigures figures = Spawn({self, "--child", "folder", std::to_string(count), into});
    if (figures.status != 0) std::printf("  folder run: exit status %d\n", figures.status);
    std::printf("  %6d files %26s %6.3f s  cpu %6.3f s  %5.1f us a file\n", count, "",
                figures.seconds, figures.cpuSeconds, 1e6 * figures.cpuSeconds / count);
    fs::remove_all(into);
  }

  // One more run of each kind, kept for a moment, to see that it wrote the whole product.
  for (std::size_t i : {kRunShm, kTarShm}) {
    const fs::path into = trials[i].command.back();
    fs::create_directories(into);
    Spawn(trials[i].command);
    const auto [files, bytes] = Tally(into);
    std::printf("  %-34s wrote %llu files, %llu bytes\n", trials[i].name,
                static_cast<unsigned long long>(files), static_cast<unsigned long long>(bytes));
    fs::remove_all(into);
  }
  return 0;
}
