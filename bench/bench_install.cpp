// The installation run of the reference product (4,064 files, 102,981,126 bytes, deflated to
// about 78.5 %) beside what it is measured against, all in one run and in alternating rounds:
// `mksetup run` through the simulated Windows, the bare floor of the same inflater writing the
// same files, `tar -xzf` of a gzip -1 tarball, and under Wine the setup's engine program, the real
// wizard walked by the driver, and NSIS's zlib silent installer of the same tree. A scale line
// repeats the run and the engine program at 1/4 to 2 times the product. Each trial is a child
// process, so that its time and peak resident size are its own; every figure is a median.
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchFigures.h"
#include "BenchSupport.h"
#include "ReferenceShape.h"
#include "command/Commands.h"
#include "command/ToolPaths.h"
#include "input/ScriptFile.h"
#include "io/MappedFile.h"
#include "payload/PayloadReader.h"
#include "pe/PeFile.h"
#include "platform/sim/SimPlatform.h"
#include "setupexe/Build.h"
#include "setupexe/SetupExe.h"

namespace {
namespace fs = std::filesystem;
using namespace setup;
using bench::ChildFigures;
using bench::MinimalImage;
using bench::SecondsSince;
using bench::Spawn;
using bench::Start;

// Set by Ctrl-C or SIGTERM: the benchmark stops after the trial under way, prints what it has,
// and ends the Wine session and removes its folders on the way out.
volatile std::sig_atomic_t interrupted = 0;
extern "C" void OnInterrupt(int) {
  interrupted = 1;
}

// The CPU seconds a process has used so far (0 when it is gone).
double ProcessCpu(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  std::getline(stat, text);
  const std::size_t name = text.rfind(')');
  if (name == std::string::npos) return 0;
  std::istringstream fields(text.substr(name + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string LoadAverage() {
  std::string text = ReadAll("/proc/loadavg");
  text = text.substr(0, text.find(' ', text.find(' ', text.find(' ') + 1) + 1));
  return text + " on " + std::to_string(std::thread::hardware_concurrency()) + " cores";
}

// What scripts/machine.sh says of this machine: a function's output, or its exit status as "0".
std::string Machine(const std::string& call) {
  const std::string script =
      "source \"" + std::string(BENCH_SOURCE_DIR) + "/scripts/machine.sh\" && " + call;
  std::string out;
  if (std::FILE* pipe = ::popen(("bash -c '" + script + "' 2>/dev/null").c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    if (::pclose(pipe) != 0 && out.empty()) return "";
  }
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

// The Wine trials run the x86 programs where this kernel starts 32-bit ones, else (or when asked)
// the x64 programs under 64-bit Wine: the figures are then those of the x64 setup, and NSIS's
// installer, a 32-bit program, has no trial.
struct WineArch {
  mksetup::Architecture architecture = mksetup::Architecture::X86;
  std::string loader, server, prefixArch, name, why;
  bool runs32 = true;  // whether this kernel starts 32-bit programs at all
};

WineArch ChooseWineArch(const std::string& asked) {
  WineArch arch;
  if (Machine("machine_runs_32bit && echo yes") != "yes") {
    arch.architecture = mksetup::Architecture::X64;
    arch.why = Machine("machine_why_no_32bit");
    arch.runs32 = false;
  } else if (asked == "x64") {
    arch.architecture = mksetup::Architecture::X64;
    arch.why = "asked for (--wine-arch x64)";
  }
  arch.name = arch.architecture == mksetup::Architecture::X64 ? "x64" : "x86";
  arch.loader = Machine("machine_wine_loader " + arch.name);
  arch.server = Machine("machine_wine_server");
  arch.prefixArch = Machine("machine_wine_prefix_arch " + arch.name);
  return arch;
}

// engine-run.exe of the Wine trials' architecture when there is one (it runs under Wine too),
// else the resource probe, else a minimal image: mksetup run reads only the two resources, so
// the stub does not change what is measured natively.
fs::path FindStub(const fs::path& scratch, mksetup::Architecture architecture) {
  if (auto engine = mksetup::FindWindowsProgram("BENCH_ENGINE", "engine-run.exe", architecture))
    return *engine;
  if (auto probe = mksetup::FindWindowsProgram("BENCH_STUB", "resource-probe.exe", architecture))
    return *probe;
  const std::vector<std::uint8_t> image = MinimalImage();
  const fs::path path = scratch / "stub.exe";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()),
             static_cast<std::streamsize>(image.size()));
  return path;
}

// Bytes and files under a folder.
struct Tally {
  std::uint64_t files = 0, bytes = 0;
  bool operator==(const Tally& other) const { return files == other.files && bytes == other.bytes; }
};

Tally TallyOf(const fs::path& folder) {
  Tally tally;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (!it->is_regular_file()) continue;
    ++tally.files;
    tally.bytes += it->file_size();
  }
  return tally;
}

// The product's own folder "ref" wherever an installation put it under its destination.
fs::path ProductFolder(const fs::path& into) {
  std::error_code error;
  for (fs::recursive_directory_iterator it(into, error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_directory() && it->path().filename() == "ref") return it->path();
    if (it.depth() >= 6) it.disable_recursion_pending();
  }
  return {};
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

// A file written with plain system calls, each Append one write.
class PlainFileSink : public ByteSink {
 public:
  explicit PlainFileSink(const fs::path& path)
      : fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) {
    if (fd_ < 0) throw std::runtime_error("cannot create " + path.string());
  }
  ~PlainFileSink() override {
    if (fd_ >= 0) ::close(fd_);
  }
  void Append(const std::uint8_t* data, std::size_t size) override {
    while (size > 0) {
      const ssize_t written = ::write(fd_, data, size);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) throw std::runtime_error("write failed");
      data += written;
      size -= static_cast<std::size_t>(written);
    }
  }

 private:
  int fd_;
};

// The floor under an installation run: setup.exe mapped as the run maps it, every entry
// inflated by the setup's own reader (so the floor moves with the inflater, and gives read pages
// back as the run does) and written with plain system calls where its F line puts it. Nothing
// else: no script actions, no checks of names or folders, no log.
int Floor(const fs::path& exePath, const fs::path& into) {
  const mksetup::SetupExe exe = mksetup::OpenSetupExe(exePath);
  const mksetup::ScriptFile script =
      mksetup::ParseScriptFile("SetupInfo", {exe.info.begin(), exe.info.end()});
  mksetup::ImagePages pages(*exe.image);
  PayloadReader reader(exe.data, &pages);
  MemorySink licence;
  reader.NextEntry().InflateTo(licence);
  fs::path folder;
  for (const mksetup::FileLine& line : mksetup::FileLines(script)) {
    const PayloadEntry entry = reader.NextEntry();
    const fs::path path = into / bench::InstalledPath(line.path);
    if (path.parent_path() != folder) {
      folder = path.parent_path();
      fs::create_directories(folder);
    }
    PlainFileSink sink(path);
    entry.InflateTo(sink);
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
  if (args.size() == 3 && args[0] == "floor") return Floor(args[1], args[2]);
  if (args.size() == 4 && args[0] == "build") {
    const fs::path product = args[1], exe = args[2];
    mksetup::BuildOptions options{
        product / "setup.txt", product / "licence.txt", product / "tree", exe, args[3],
        std::nullopt};
    {  // the product's architecture is the stub's: the x64 programs where 32-bit ones do not run
      const mksetup::MappedFile stub(options.stub);
      options.architecture =
          mksetup::ArchitectureOf(mksetup::ReadPeLayout(stub.Bytes(), options.stub.string()));
    }
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

// One step that has to succeed before anything is measured.
bool Prepare(const std::string& what, const std::vector<std::string>& command) {
  const ChildFigures figures = Spawn(command);
  if (figures.status == 0) {
    std::printf("  %-44s %6.2f s\n", what.c_str(), figures.seconds);
    return true;
  }
  std::fprintf(stderr, "bench_install: %s failed (exit status %d)\n", what.c_str(), figures.status);
  return false;
}

// One size of the reference product, built into a setup.exe.
struct Product {
  unsigned quarters = 4;
  fs::path folder, exe;  // folder: setup.txt, licence.txt and tree/
  Tally tree;            // what an installation must leave in the product's folder "ref"
};

std::string QuarterName(unsigned quarters) {
  static const char* const kNames[] = {"", "1/4", "1/2", "", "1", "", "", "", "2"};
  return kNames[quarters];
}

// The command run by taskset on that one CPU (taskset execs it: the pid stays the command's);
// the command itself for -1.
std::vector<std::string> OnCpu(int cpu, std::vector<std::string> command) {
  if (cpu < 0) return command;
  command.insert(command.begin(), {"taskset", "-c", std::to_string(cpu)});
  return command;
}

// Xvfb (when there is no display) and a persistent wineserver for a prefix of its own, ended
// when the benchmark ends.
class WineSession {
 public:
  // cpu: the one CPU the server may run on, or -1.
  bool Open(const fs::path& prefix, int cpu, const WineArch& arch) {
    serverProgram_ = arch.server;
    ::setenv("E2E_ARCH", arch.name.c_str(), 1);  // the template of that architecture
    if (!Prepare("Wine prefix (the end-to-end tests' template)",
                 {"bash", std::string(BENCH_SOURCE_DIR) + "/bench/wine-prefix.sh", prefix})) {
      return false;
    }
    ::setenv("WINEPREFIX", prefix.c_str(), 1);
    ::setenv("WINEARCH", arch.prefixArch.c_str(), 1);
    ::setenv("WINEDEBUG", "-all", 1);
    ::setenv("WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d", 1);
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
      const std::string name = ":" + std::to_string(110 + ::getpid() % 40);
      xvfb_ = Start({"Xvfb", name, "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
      ::setenv("DISPLAY", name.c_str(), 1);
      std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    // A server that outlives each program, so that no trial pays for its start.
    server_ = Start(OnCpu(cpu, {serverProgram_, "-f", "-p"}));
    struct stat info {};
    ::stat(prefix.c_str(), &info);
    char socket[128];
    std::snprintf(socket, sizeof socket, "/tmp/.wine-%u/server-%llx-%llx/socket", ::getuid(),
                  static_cast<unsigned long long>(info.st_dev),
                  static_cast<unsigned long long>(info.st_ino));
    for (int waited = 0; waited < 100 && !fs::exists(socket); ++waited) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
  }
  ~WineSession() {
    if (server_ > 0) {
      Spawn({serverProgram_, "-k"});
      ::waitpid(server_, nullptr, 0);
    }
    if (xvfb_ > 0) {
      ::kill(xvfb_, SIGTERM);
      ::waitpid(xvfb_, nullptr, 0);
    }
  }
  pid_t Server() const { return server_; }

 private:
  std::string serverProgram_ = "wineserver";
  pid_t server_ = -1, xvfb_ = -1;
};

enum class Kind { Native, Engine, Wizard, Nsis };

struct Sample {
  double seconds = 0, cpu = 0, serverCpu = 0;
  long peakKb = 0, workingSetKb = -1;
};

struct Trial {
  std::string key, name;
  Kind kind = Kind::Native;
  std::vector<std::string> command;
  fs::path into;         // the destination: emptied before each trial, removed after it
  bool makeInto = true;  // made before the trial (the Windows programs make their own)
  fs::path report;       // the Windows program's report, read after each trial
  const Product* product = nullptr;
  std::vector<Sample> samples;
  int failures = 0;
};

// One trial's round: the figures, and a failure when it did not end well or did not leave the
// whole product behind.
void RunOnce(Trial& trial, pid_t server) {
  fs::remove_all(trial.into);
  if (trial.makeInto) fs::create_directories(trial.into);
  if (!trial.report.empty()) fs::remove(trial.report);
  const double serverBefore = server > 0 ? ProcessCpu(server) : 0;
  const ChildFigures figures = Spawn(trial.command);
  Sample sample{figures.seconds, figures.cpuSeconds,
                server > 0 ? ProcessCpu(server) - serverBefore : 0, figures.peakKb};
  std::string problem;
  if (figures.status != 0) problem = "exit status " + std::to_string(figures.status);
  const std::string report = trial.report.empty() ? "" : ReadAll(trial.report);
  if (trial.kind == Kind::Engine && problem.empty()) {
    if (bench::ReportValue(report, "Outcome") != "Completed") problem = "the run did not complete";
    if (auto peak = bench::ReportValue(report, "PeakWorkingSet")) {
      sample.workingSetKb = std::stol(*peak) / 1024;
    }
  }
  if (trial.kind == Kind::Wizard && problem.empty()) {
    if (auto ms = bench::DriverTime(report, "install")) {
      sample.seconds = *ms / 1000.0;
    } else {
      problem = "the driver's report has no install time";
    }
  }
  if (problem.empty()) {
    const fs::path folder = ProductFolder(trial.into);
    const Tally left = TallyOf(folder);
    if (folder.empty() || !(left == trial.product->tree)) {
      problem = "left " + std::to_string(left.files) + " files, " + std::to_string(left.bytes) +
                " bytes instead of " + std::to_string(trial.product->tree.files) + ", " +
                std::to_string(trial.product->tree.bytes);
    }
  }
  fs::remove_all(trial.into);
  // The disk trials leave a hundred megabytes to write back; the next trial must not pay for it.
  ::sync();
  if (!problem.empty()) {
    ++trial.failures;
    std::printf("  %s: %s\n", trial.name.c_str(), problem.c_str());
    return;
  }
  trial.samples.push_back(sample);
}

struct Medians {
  double seconds = 0, low = 0, high = 0, cpu = 0, serverCpu = 0;
  double peakMb = 0, workingSetMb = -1;  // the largest over the trials
};

Medians MediansOf(const Trial& trial) {
  Medians m;
  if (trial.samples.empty()) return m;
  std::vector<double> seconds, cpu, server;
  for (const Sample& s : trial.samples) {
    seconds.push_back(s.seconds);
    cpu.push_back(s.cpu);
    server.push_back(s.serverCpu);
    m.peakMb = std::max(m.peakMb, s.peakKb / 1024.0);
    if (s.workingSetKb >= 0) m.workingSetMb = std::max(m.workingSetMb, s.workingSetKb / 1024.0);
  }
  m.seconds = bench::Median(seconds);
  m.low = *std::min_element(seconds.begin(), seconds.end());
  m.high = *std::max_element(seconds.begin(), seconds.end());
  m.cpu = bench::Median(cpu);
  m.serverCpu = bench::Median(server);
  return m;
}

void PrintTrial(const Trial& trial) {
  if (trial.samples.empty()) {
    std::printf("  %-44s no figures (%d failed)\n", trial.name.c_str(), trial.failures);
    return;
  }
  const Medians m = MediansOf(trial);
  std::printf("  %-44s %6.3f s (%.3f-%.3f)", trial.name.c_str(), m.seconds, m.low, m.high);
  if (trial.kind == Kind::Wizard) {
    std::printf("  %14s", "");
  } else {
    std::printf("  cpu %6.3f s", m.cpu);
  }
  if (trial.kind != Kind::Native) std::printf("  wineserver %5.2f s", m.serverCpu);
  if (trial.kind != Kind::Wizard) std::printf("  peak %6.1f MB", m.peakMb);
  if (m.workingSetMb >= 0) std::printf("  (working set %.1f MB)", m.workingSetMb);
  if (trial.failures > 0) std::printf("  %d failed", trial.failures);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  const auto started = std::chrono::steady_clock::now();
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == "--child") {
    try {
      return Child({args.begin() + 1, args.end()});
    } catch (const std::exception& error) {
      std::fprintf(stderr, "bench_install: %s\n", error.what());
      return 1;
    }
  }
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  bench::InstallBenchOptions options;
  if (const std::string error = bench::ParseInstallBenchOptions(args, options); !error.empty()) {
    std::fprintf(stderr, "bench_install: %s\n%s", error.c_str(), bench::kInstallBenchUsage);
    return 2;
  }
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  const fs::path bin = mksetup::ToolFolder();
  const fs::path shmBase =
      fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  const std::string tag = "bench_install." + std::to_string(::getpid());
  const bench::ScratchFolder shm(shmBase / tag), disk(bin.parent_path() / tag);
  std::printf("load average at the start: %s\n", LoadAverage().c_str());
  if (options.wineCpu >= 0) {
    std::printf("Wine trials and their wineserver on CPU %d only (taskset)\n", options.wineCpu);
  }

  // What the Windows side needs; without it the benchmark runs natively only.
  const WineArch arch = ChooseWineArch(options.wineArch);
  if (options.wine && options.wineArch == "x86" && !arch.runs32) {
    std::fprintf(stderr, "bench_install: --wine-arch x86: %s\n", arch.why.c_str());
    return 2;
  }
  if (options.wine && arch.architecture == mksetup::Architecture::X64) {
    std::printf("Wine trials with the x64 programs under 64-bit Wine: %s\n", arch.why.c_str());
  }
  const char* preset = mksetup::BuildPresetOf(arch.architecture);
  const auto engine =
      mksetup::FindWindowsProgram("BENCH_ENGINE", "engine-run.exe", arch.architecture);
  const auto driver =
      mksetup::FindWindowsProgram("BENCH_DRIVER", "wizard-driver.exe", arch.architecture);
  const auto stub =
      mksetup::FindWindowsProgram("MKSETUP_STUB", "setup-stub.exe", arch.architecture);
  if (options.wine &&
      (!engine || !driver || !stub || arch.loader.empty() || !fs::exists(arch.loader))) {
    std::printf(
        "no Wine trials: they need Wine (%s) and a %s build (engine-run.exe, "
        "wizard-driver.exe, setup-stub.exe)\n",
        arch.loader.c_str(), preset);
    options.wine = false;
  }
  bool nsis = options.wine && options.nsis && bench::OnPath("makensis");
  if (options.wine && options.nsis && !nsis) {
    std::printf("no NSIS trial: makensis is not on the PATH (scripts/bootstrap --bench)\n");
  }
  if (nsis && arch.architecture == mksetup::Architecture::X64) {
    std::printf("no NSIS trial: its installers are 32-bit programs, %s\n",
                arch.runs32 ? "measured beside the x86 programs (--wine-arch x86)"
                            : "which do not run here");
    nsis = false;
  }

  std::printf("preparing in %s:\n", shm.Path().c_str());
  std::vector<unsigned> sizes = options.quarters;
  if (std::find(sizes.begin(), sizes.end(), options.size) == sizes.end()) {
    sizes.push_back(options.size);
  }
  const std::string stubPath = FindStub(shm.Path(), arch.architecture).string();
  std::map<unsigned, Product> products;
  for (unsigned q : sizes) {
    Product& product = products[q];
    product.quarters = q;
    product.folder = shm.Path() / ("product" + std::to_string(q));
    product.exe = shm.Path() / ("setup" + std::to_string(q) + ".exe");
    if (!Prepare("make_sample_tree --reference --quarters " + std::to_string(q),
                 {(bin / "make_sample_tree").string(), product.folder, "--reference", "--quarters",
                  std::to_string(q)}) ||
        !Prepare("build (mksetup's BuildSetup)",
                 {self, "--child", "build", product.folder, product.exe, stubPath})) {
      return 1;
    }
    product.tree = TallyOf(product.folder / "tree/S/ref");
    std::printf("    setup%u.exe: %s\n", q, ReadAll(product.exe.string() + ".txt").c_str());
  }
  const Product& main = products[options.size];
  const std::string tree = (main.folder / "tree").string();
  const std::string tarball = (shm.Path() / "tree.tgz").string();
  if (!Prepare("tar with gzip -1", {"tar", "-C", tree, "-I", "gzip -1", "-cf", tarball, "."})) {
    return 1;
  }
  std::printf("    tarball: %llu bytes\n", static_cast<unsigned long long>(fs::file_size(tarball)));
  const fs::path wizardExe = shm.Path() / "setup-wizard.exe";
  const fs::path nsisExe = shm.Path() / "nsis-setup.exe";
  const fs::path nsisBytesExe = shm.Path() / "nsis-bytes.exe";
  // The same names with one byte each: what file creation alone costs under Wine, where no
  // inflater, however fast, can take the run below it.
  Product bytes;
  WineSession wine;
  if (options.wine) {
    bytes.quarters = main.quarters;
    bytes.folder = shm.Path() / "product-bytes";
    bytes.exe = shm.Path() / "setup-bytes.exe";
    if (!Prepare(
            "the same files of one byte each",
            {"sh", "-c", "cp -r \"$0\" \"$1\" && find \"$1/tree\" -type f -exec truncate -s 1 {} +",
             main.folder.string(), bytes.folder.string()}) ||
        !Prepare("build (mksetup's BuildSetup)",
                 {self, "--child", "build", bytes.folder, bytes.exe, stubPath})) {
      return 1;
    }
    bytes.tree = TallyOf(bytes.folder / "tree/S/ref");
    if (!Prepare("build for the wizard (setup-stub.exe)",
                 {self, "--child", "build", main.folder, wizardExe, stub->string()})) {
      return 1;
    }
    if (nsis) {
      const fs::path script = shm.Path() / "reference.nsi";
      std::ofstream(script) << bench::NsisScript(tree, nsisExe.string());
      if (!Prepare("makensis (zlib)", {"makensis", "-V1", script.string()})) return 1;
      std::printf("    NSIS installer: %llu bytes\n",
                  static_cast<unsigned long long>(fs::file_size(nsisExe)));
      const fs::path bytesScript = shm.Path() / "bytes.nsi";
      std::ofstream(bytesScript) << bench::NsisScript((bytes.folder / "tree").string(),
                                                      nsisBytesExe.string());
      if (!Prepare("makensis, one byte each", {"makensis", "-V1", bytesScript.string()})) {
        return 1;
      }
    }
    if (!wine.Open(shm.Path() / "prefix", options.wineCpu, arch)) return 1;
    // The first program under a new server starts Wine's own services; no trial pays for that.
    Prepare("Wine warm-up (engine-run's usage text)",
            OnCpu(options.wineCpu,
                  {"sh", "-c", "\"$1\" \"$0\"; exit 0", main.exe.string(), arch.loader}));
  }

  // The trials, in the order of each round.
  std::vector<Trial> trials;
  const auto add = [&](std::string key, std::string name, Kind kind, const Product& product,
                       const fs::path& into, std::vector<std::string> command) {
    Trial trial;
    trial.key = std::move(key);
    trial.name = std::move(name);
    trial.kind = kind;
    trial.product = &product;
    trial.into = into;
    trial.command =
        kind == Kind::Native ? std::move(command) : OnCpu(options.wineCpu, std::move(command));
    if (kind != Kind::Native) {
      trial.makeInto = false;
      if (kind != Kind::Nsis) trial.report = into.string() + ".report";
    }
    trials.push_back(std::move(trial));
  };
  const auto addRun = [&](const Product& product, const fs::path& into, const std::string& name) {
    add("run" + std::to_string(product.quarters), name, Kind::Native, product, into,
        {self, "--child", "run", product.exe, into});
  };
  const auto addEngine = [&](const Product& product, const std::string& name) {
    const fs::path into = shm.Path() / ("engine" + std::to_string(product.quarters));
    add("engine" + std::to_string(product.quarters), name, Kind::Engine, product, into,
        {arch.loader, product.exe, bench::WinePath(into.string() + ".report"), "--destination",
         bench::WinePath(into)});
  };
  addRun(main, shm.Path() / "run", "mksetup run, tmpfs");
  add("floor", "bare inflate + write (same inflater), tmpfs", Kind::Native, main,
      shm.Path() / "floor", {self, "--child", "floor", main.exe, shm.Path() / "floor"});
  add("tar", "tar -xzf (gzip -1), tmpfs", Kind::Native, main, shm.Path() / "tar",
      {"tar", "-xzf", tarball, "-C", shm.Path() / "tar"});
  if (options.wine) {
    addEngine(main, "setup.exe under Wine (engine program), tmpfs");
    const fs::path into = shm.Path() / "wizard";
    add("wizard", "wizard under Wine, Install to the last box", Kind::Wizard, main, into,
        {arch.loader, driver->string(), "walk", "--exe", bench::WinePath(wizardExe), "--language",
         "E", "--one-user", "--dest", bench::WinePath(into), "--no-desktop", "--no-quick-launch",
         "--report", bench::WinePath(into.string() + ".report")});
    if (nsis) {
      add("nsis", "NSIS zlib silent installer under Wine, tmpfs", Kind::Nsis, main,
          shm.Path() / "nsis",
          {arch.loader, nsisExe, "/S", "/D=" + bench::WinePath(shm.Path() / "nsis")});
    }
    const fs::path bytesInto = shm.Path() / "engine-bytes";
    add("engine-bytes", "engine program under Wine, files of one byte", Kind::Engine, bytes,
        bytesInto,
        {arch.loader, bytes.exe, bench::WinePath(bytesInto.string() + ".report"), "--destination",
         bench::WinePath(bytesInto)});
    if (nsis) {
      add("nsis-bytes", "NSIS under Wine, files of one byte", Kind::Nsis, bytes,
          shm.Path() / "nsis-bytes",
          {arch.loader, nsisBytesExe, "/S", "/D=" + bench::WinePath(shm.Path() / "nsis-bytes")});
    }
  }
  for (unsigned q : options.quarters) {
    if (q == options.size) continue;
    const Product& product = products[q];
    addRun(product, shm.Path() / "run", "mksetup run, tmpfs, " + QuarterName(q));
    if (options.wine) addEngine(product, "engine program under Wine, " + QuarterName(q));
  }
  // Last in the round: what they leave to the disk's writeback disturbs the tmpfs trials least.
  if (options.disk) {
    add("run-disk", "mksetup run, disk", Kind::Native, main, disk.Path() / "run",
        {self, "--child", "run", main.exe, disk.Path() / "run"});
    add("tar-disk", "tar -xzf (gzip -1), disk", Kind::Native, main, disk.Path() / "tar",
        {"tar", "-xzf", tarball, "-C", disk.Path() / "tar"});
  }

  std::printf("%d alternating rounds of %zu trials:\n", options.trials, trials.size());
  // Each round starts one trial further on, the disk trials staying last: whatever comes first
  // after the disk's writeback runs slower, and no trial should be that one in every round.
  const std::size_t rotating = static_cast<std::size_t>(
      std::find_if(trials.begin(), trials.end(),
                   [](const Trial& trial) { return trial.key.ends_with("-disk"); }) -
      trials.begin());
  for (int round = 0; round < options.trials && !interrupted; ++round) {
    for (std::size_t i = 0; i < trials.size(); ++i) {
      const std::size_t at = i < rotating ? (i + static_cast<std::size_t>(round)) % rotating : i;
      if (!interrupted) RunOnce(trials[at], wine.Server());
    }
    std::printf("  round %d done, load average %s\n", round + 1, LoadAverage().c_str());
  }
  const auto find = [&](const std::string& key) -> const Trial* {
    for (const Trial& trial : trials) {
      if (trial.key == key && !trial.samples.empty()) return &trial;
    }
    return nullptr;
  };

  std::printf(
      "side by side: %s of the reference product, %llu files, %llu bytes; medians of %d "
      "trials (fastest-slowest), cpu of the child and its children, peak resident:\n",
      QuarterName(options.size).c_str(), static_cast<unsigned long long>(main.tree.files),
      static_cast<unsigned long long>(main.tree.bytes), options.trials);
  for (const Trial& trial : trials) {
    if (trial.key.rfind("run", 0) == 0 && trial.product != &main) continue;
    if (trial.key.rfind("engine", 0) == 0 && trial.product != &main && trial.product != &bytes) {
      continue;
    }
    PrintTrial(trial);
  }

  // Each target beside the measured ratio of the medians.
  std::printf("%-54s %10s  %s\n", "ratios of the medians", "measured", "target");
  const auto ratio = [&](const char* what, const char* over, const char* under, const char* target,
                         bool cpu) {
    const Trial* a = find(over);
    const Trial* b = find(under);
    if (a == nullptr || b == nullptr) return;
    const Medians top = MediansOf(*a);
    const Medians bottom = MediansOf(*b);
    // The fastest rounds too: on a shared machine the least disturbed round is the closest to
    // the work itself.
    const double wall = top.seconds / bottom.seconds, fastest = top.low / bottom.low,
                 cpuRatio = top.cpu / bottom.cpu;
    std::printf("  %-52s %9.2fx  %-14s (fastest %.2fx", what, wall, target, fastest);
    if (cpu) std::printf(", cpu %.2fx", cpuRatio);
    std::printf(")\n");
  };
  const std::string run = "run" + std::to_string(options.size);
  const std::string engineKey = "engine" + std::to_string(options.size);
  ratio("mksetup run / bare inflate + write, tmpfs", run.c_str(), "floor", "at most 1.10x", true);
  ratio("mksetup run / tar -xzf, tmpfs", run.c_str(), "tar", "at most 0.50x", true);
  ratio("mksetup run / tar -xzf, disk", "run-disk", "tar-disk", "", true);
  // No target: the files of one byte (below) show that Wine's file creation alone is about half of
  // NSIS's whole installation, so this says where the two stand.
  ratio("setup.exe under Wine / NSIS under Wine, tmpfs", engineKey.c_str(), "nsis", "", true);
  ratio("wizard's run / engine program, under Wine", "wizard", engineKey.c_str(), "at most 1.15x",
        false);
  if (const Trial* t = find(run)) {
    std::printf("  %-52s %7.1f MB  under 16 MB\n", "peak resident of mksetup run",
                MediansOf(*t).peakMb);
  }
  if (const Trial* t = find(engineKey)) {
    std::printf("  %-52s %7.1f MB  under 32 MB\n", "peak working set under Wine (engine program)",
                MediansOf(*t).workingSetMb);
  }
  // What a target leaves: the floor is the same inflater with nothing else of a run, and the
  // files of one byte are the same run with no inflation left to speed up.
  std::printf("%-54s %10s  %s\n", "bounds under those targets", "measured", "");
  ratio("bare inflate + write / tar -xzf, tmpfs", "floor", "tar", "(run / tar)", true);
  ratio("engine program, files of one byte / NSIS, Wine", "engine-bytes", "nsis", "(Wine / NSIS)",
        true);
  ratio("engine program / NSIS, both files of one byte", "engine-bytes", "nsis-bytes", "", true);

  if (!options.quarters.empty()) {
    std::printf(
        "scale (medians; native: mksetup run on tmpfs, peak resident; Wine: the engine program "
        "on tmpfs, peak working set):\n"
        "  %-4s %6s %7s | %7s %6s %7s %7s | %7s %6s %7s %7s\n",
        "size", "files", "MB", "s", "ms/MB", "us/file", "peak MB", "Wine s", "ms/MB", "us/file",
        "peak MB");
    for (unsigned q : options.quarters) {
      const Product& product = products[q];
      const double mb = product.tree.bytes / 1e6;
      const double files = static_cast<double>(product.tree.files);
      std::printf("  %-4s %6llu %7.1f", QuarterName(q).c_str(),
                  static_cast<unsigned long long>(product.tree.files), mb);
      for (const std::string& key : {"run" + std::to_string(q), "engine" + std::to_string(q)}) {
        const Trial* t = find(key);
        if (t == nullptr) {
          std::printf(" | %7s %6s %7s %7s", "-", "-", "-", "-");
          continue;
        }
        const Medians m = MediansOf(*t);
        std::printf(" | %7.3f %6.2f %7.1f %7.1f", m.seconds, 1e3 * m.seconds / mb,
                    1e6 * m.seconds / files, key[0] == 'r' ? m.peakMb : m.workingSetMb);
      }
      std::printf("\n");
    }
  }

  if (options.folder) {
    // Many files in one folder: each new name is looked up in every case first, as on Windows.
    std::printf("new files in one folder through the simulated Windows (tmpfs, one round):\n");
    for (int count : {5000, 20000}) {
      const std::string into = (shm.Path() / "folder").string();
      fs::remove_all(into);
      const ChildFigures figures = Spawn({self, "--child", "folder", std::to_string(count), into});
      if (figures.status != 0) std::printf("  folder run: exit status %d\n", figures.status);
      std::printf("  %6d files %36s %6.3f s  cpu %6.3f s  %5.1f us a file\n", count, "",
                  figures.seconds, figures.cpuSeconds, 1e6 * figures.cpuSeconds / count);
      fs::remove_all(into);
    }
  }
  std::printf("load average at the end: %s; %.0f s in all\n", LoadAverage().c_str(),
              SecondsSince(started));

  int failures = 0;
  for (const Trial& trial : trials) failures += trial.failures;
  if (failures > 0) std::printf("%d trials failed\n", failures);
  if (interrupted) std::printf("interrupted: the figures are those of the trials before\n");
  return interrupted ? 130 : failures > 0 ? 1 : 0;
}
