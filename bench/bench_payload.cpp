// Building: with --build, mksetup build of one product at each --compression level, on every
// core and pinned to one, beside makensis's zlib and /SOLID lzma installers of the same tree
// (see bench/README.md).
//
// Inflating a payload of the reference shape (4,064 files plus the licence, 102,981,126 bytes,
// 5 files of two blocks, 1 of three, 2 of four, the largest 7,999,096 bytes, 3 empty) through
// PayloadReader and InflateTo into a counting sink, beside a bare zlib loop over the same
// blocks. The payload is written to a file and read through a read-only mapping, as the setup
// program reads it from its image; the resident memory of each reading is measured from the
// same starting point.
#include <malloc.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchFigures.h"
#include "BenchSupport.h"
#include "ReferenceShape.h"
#include "command/ToolPaths.h"
#include "io/FileIo.h"
#include "payload/PayloadReader.h"
#include "setupexe/PayloadWriter.h"
#include "setupexe/SetupExe.h"
#include "text/Sha256.h"

namespace {
using namespace setup;
using namespace setup::mksetup;
using setup::bench::MappedFile;
using setup::bench::StatusKb;

constexpr int kRounds = 3;

// Writes the payload one entry at a time, so that building it holds no more than an entry.
std::uint64_t WritePayloadFile(const std::filesystem::path& path) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) throw std::runtime_error("cannot write " + path.string());
  std::uint64_t inflated = 0;
  const std::vector<std::uint64_t> sizes = reference::EntrySizes();
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    PayloadSource source;
    const std::string content = reference::Content(sizes[i], static_cast<std::uint32_t>(i));
    source.bytes.assign(content.begin(), content.end());
    inflated += sizes[i];
    const std::vector<std::uint8_t> entry = BuildEntry(source);
    std::fwrite(entry.data(), 1, entry.size(), out);
  }
  if (std::fclose(out) != 0) throw std::runtime_error("cannot write " + path.string());
  return inflated;
}

// Called after each entry with the first byte after it.
using AfterEntry = std::function<void(const std::uint8_t*)>;

std::uint64_t ReadWithReader(ByteSpan payload, const AfterEntry& after) {
  PayloadReader reader(payload);
  CountingSink sink;
  while (reader.Position() < reader.Size()) {
    reader.NextEntry().InflateTo(sink);
    after(payload.data() + reader.Position());
  }
  return sink.bytes;
}

std::uint32_t U32(ByteSpan bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::uint64_t ReadWithBareZlib(ByteSpan payload, const AfterEntry& after) {
  std::vector<std::uint8_t> out(1 << 16);
  std::uint64_t bytes = 0;
  z_stream stream{};
  inflateInit(&stream);
  for (std::size_t at = 0; at < payload.size();) {
    const std::size_t end = at + 4 + U32(payload, at);
    const std::uint32_t blocks = U32(payload, at + 4);
    std::size_t p = at + 8;
    for (std::uint32_t b = 0; b < blocks; ++b) {
      const std::uint32_t length = U32(payload, p);
      inflateReset(&stream);
      stream.next_in = const_cast<Bytef*>(payload.data() + p + 4);
      stream.avail_in = length;
      int result;
      do {
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        result = inflate(&stream, Z_NO_FLUSH);
        bytes += out.size() - stream.avail_out;
      } while (result == Z_OK);
      p += 4 + length;
    }
    at = end;
    after(payload.data() + at);
  }
  inflateEnd(&stream);
  return bytes;
}

struct Reading {
  double seconds = 1e9;     // the best of the rounds
  std::uint64_t bytes = 0;  // inflated
  long growthKb = 0;        // the largest rise of the peak resident size over the rounds
  long smallGrowthKb = 0;   // the same over the small files only, after the large ones
  long fileKb = 0;          // pages of the mapping resident at the end
};

// One reading over a fresh mapping; release: pages read are given back behind the reader.
void Measure(const std::filesystem::path& payloadFile,
             std::uint64_t (*read)(ByteSpan, const AfterEntry&), bool release, Reading& figures) {
  MappedFile mapped(payloadFile);
  const ByteSpan payload = mapped.Bytes();
  // The licence, the eight large files and the three empty ones come first; the 4,053 small
  // files (60 MB) after them show whether the peak grows with the amount read.
  constexpr std::size_t kLargeAndEmpty = 12;
  std::size_t entries = 0;
  long peakBeforeSmall = 0, smallBase = 0;
  const AfterEntry after = [&](const std::uint8_t* end) {
    if (release) mapped.ReleaseBefore(end);
    if (++entries != kLargeAndEmpty) return;
    peakBeforeSmall = StatusKb("VmHWM");
    bench::ResetPeak();
    smallBase = StatusKb("VmRSS");
  };
  ::malloc_trim(0);
  bench::ResetPeak();
  const long base = StatusKb("VmRSS");
  const auto start = std::chrono::steady_clock::now();
  figures.bytes = read(payload, after);
  figures.seconds = std::min(figures.seconds, bench::SecondsSince(start));
  const long peak = StatusKb("VmHWM");
  figures.growthKb = std::max(figures.growthKb, std::max(peak, peakBeforeSmall) - base);
  figures.smallGrowthKb = std::max(figures.smallGrowthKb, peak - smallBase);
  figures.fileKb = StatusKb("RssFile");
}

void Print(const char* name, const Reading& r) {
  std::printf(
      "%-34s %.3f s  %llu bytes  peak growth %6ld kB (%6ld kB over the small files)  "
      "mapped pages resident at the end %6ld kB\n",
      name, r.seconds, static_cast<unsigned long long>(r.bytes), r.growthKb, r.smallGrowthKb,
      r.fileKb);
}

// --build: mksetup build of one product at each level, beside makensis of the same tree.
namespace build {
namespace fs = std::filesystem;

struct Options {
  int trials = 3;
  std::vector<std::string> levels{"fast", "small", "smallest"};
  fs::path script, licence, source;  // all empty: the reference product, made here
  bool nsis = true;
};

const char* const kUsage =
    "usage: bench_payload [--build [--trials N] [--levels fast,small,smallest] [--no-nsis]\n"
    "                     [--script FILE --licence FILE --source DIR]]\n";

std::string Parse(const std::vector<std::string>& args, Options& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& flag = args[i];
    if (flag == "--no-nsis") {
      options.nsis = false;
      continue;
    }
    if (flag != "--trials" && flag != "--levels" && flag != "--script" && flag != "--licence" &&
        flag != "--source") {
      return "unknown option " + flag;
    }
    if (i + 1 >= args.size()) return flag + " needs a value";
    const std::string& value = args[++i];
    if (flag == "--trials") {
      options.trials = std::atoi(value.c_str());
      if (options.trials < 1 || options.trials > 99) return "--trials takes 1 to 99";
    } else if (flag == "--levels") {
      options.levels.clear();
      std::stringstream items(value);
      for (std::string item; std::getline(items, item, ',');) {
        if (!ParseCompression(item)) return "--levels takes fast, small and smallest";
        options.levels.push_back(item);
      }
      if (options.levels.empty()) return "--levels takes fast, small and smallest";
    } else if (flag == "--script") {
      options.script = value;
    } else if (flag == "--licence") {
      options.licence = value;
    } else {
      options.source = value;
    }
  }
  const int given = !options.script.empty() + !options.licence.empty() + !options.source.empty();
  if (given != 0 && given != 3) return "--script, --licence and --source go together";
  return {};
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen + " on " +
         std::to_string(std::thread::hardware_concurrency()) + " cores";
}

// NSIS's installer of every file of the tree, each top folder under the destination as the
// setup puts them apart; with no tree, the installer of nothing, whose size is NSIS's own.
std::string NsisScript(const fs::path& tree, const fs::path& output,
                       const std::string& compressor) {
  std::string script = "Unicode true\nName \"Product\"\nOutFile \"" + output.string() +
                       "\"\nSetCompressor " + compressor +
                       "\nSilentInstall silent\nRequestExecutionLevel user\n"
                       "InstallDir \"$TEMP\\product\"\nSection\n  SetOutPath \"$INSTDIR\"\n";
  if (!tree.empty()) {
    std::vector<std::string> folders;
    for (const fs::directory_entry& entry : fs::directory_iterator(tree)) {
      if (entry.is_directory()) folders.push_back(entry.path().filename().string());
    }
    std::sort(folders.begin(), folders.end());
    for (const std::string& folder : folders) {
      script += "  SetOutPath \"$INSTDIR\\" + folder + "\"\n  File /r \"" +
                (tree / folder).string() + "/*\"\n";
    }
  }
  return script + "SectionEnd\n";
}

struct Trial {
  std::string name;  // "fast", "fast, one CPU", "makensis zlib"
  std::vector<std::string> command;
  fs::path output;
  bool build = false;  // mksetup's: its payload is read back
  std::vector<double> wall, cpu;
  long peakKb = 0;
  std::uint64_t bytes = 0, payload = 0;
  // The digest of the first build's bytes, to compare the others with. Not the bytes: every
  // child is forked from this process, and its peak resident size counts what it held then.
  std::string first;
  bool same = true;
  int failures = 0;
};

double Low(const std::vector<double>& v) {
  return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}
double High(const std::vector<double>& v) {
  return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

void RunOnce(Trial& trial) {
  fs::remove(trial.output);
  const bench::ChildFigures figures = bench::Spawn(trial.command);
  if (figures.status != 0 || !fs::exists(trial.output)) {
    ++trial.failures;
    std::printf("  %s: exit status %d\n", trial.name.c_str(), figures.status);
    return;
  }
  std::printf("    %-20s %7.2f s  cpu %7.2f s  peak %6.1f MB\n", trial.name.c_str(),
              figures.seconds, figures.cpuSeconds, figures.peakKb / 1024.0);
  std::fflush(stdout);
  trial.wall.push_back(figures.seconds);
  trial.cpu.push_back(figures.cpuSeconds);
  trial.peakKb = std::max(trial.peakKb, figures.peakKb);
  trial.bytes = fs::file_size(trial.output);
  if (!trial.build) return;
  trial.payload = OpenSetupExe(trial.output).data.size();
  Sha256 hash;
  {
    const MappedFile built(trial.output);
    hash.Append(built.Bytes().data(), built.Bytes().size());
  }
  const std::string digest = hash.HexDigest();
  if (trial.first.empty()) {
    trial.first = digest;
  } else if (digest != trial.first) {
    trial.same = false;
  }
}

int Run(const std::vector<std::string>& args) {
  Options options;
  if (const std::string error = Parse(args, options); !error.empty()) {
    std::fprintf(stderr, "bench_payload: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  const auto started = std::chrono::steady_clock::now();
  const fs::path bin = ToolFolder();
  const fs::path shmBase =
      fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  const bench::ScratchFolder scratch(shmBase /
                                     ("bench_payload.build." + std::to_string(::getpid())));
  std::printf("load average at the start: %s\n", LoadAverage().c_str());
  if (options.source.empty()) {
    const fs::path product = scratch.Path() / "product";
    const bench::ChildFigures made =
        bench::Spawn({(bin / "make_sample_tree").string(), product.string(), "--reference"});
    if (made.status != 0) {
      std::fprintf(stderr, "bench_payload: make_sample_tree --reference failed\n");
      return 1;
    }
    options.script = product / "setup.txt";
    options.licence = product / "licence.txt";
    options.source = product / "tree";
    std::printf("the reference product (make_sample_tree --reference) in %s\n", product.c_str());
  }
  std::uint64_t files = 0, inflated = 0;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(options.source)) {
    if (!entry.is_regular_file()) continue;
    ++files;
    inflated += entry.file_size();
  }
  std::printf("tree %s: %llu files, %llu bytes\n", options.source.c_str(),
              static_cast<unsigned long long>(files), static_cast<unsigned long long>(inflated));
  fs::path stub;
  if (const auto found = FindWindowsProgram("MKSETUP_STUB", "setup-stub.exe", Architecture::X86)) {
    stub = *found;
  } else {
    stub = scratch.Path() / "stub.exe";
    const std::vector<std::uint8_t> image = bench::MinimalImage();
    std::ofstream(stub, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));
  }
  const std::uint64_t stubBytes = fs::file_size(stub);
  std::printf("stub %s, %llu bytes\n", stub.c_str(), static_cast<unsigned long long>(stubBytes));

  std::vector<Trial> trials;
  std::uint64_t nsisOwn = 0;
  const bool nsis = options.nsis && bench::OnPath("makensis");
  if (options.nsis && !nsis) {
    std::printf("no NSIS figures: makensis is not on the PATH (scripts/bootstrap --bench)\n");
  }
  if (nsis) {
    const fs::path empty = scratch.Path() / "empty.nsi", emptyExe = scratch.Path() / "empty.exe";
    std::ofstream(empty) << NsisScript({}, emptyExe, "zlib");
    if (bench::Spawn({"makensis", "-V1", empty.string()}).status == 0) {
      nsisOwn = fs::file_size(emptyExe);
    }
    for (const std::string compressor : {"zlib", "/SOLID lzma"}) {
      const std::string tag = compressor == "zlib" ? "zlib" : "lzma";
      Trial trial;
      trial.name = "makensis " + compressor;
      trial.output = scratch.Path() / ("nsis-" + tag + ".exe");
      const fs::path script = scratch.Path() / ("nsis-" + tag + ".nsi");
      std::ofstream(script) << NsisScript(options.source, trial.output, compressor);
      trial.command = {"makensis", "-V1", script.string()};
      trials.push_back(std::move(trial));
    }
  }

  for (const std::string& level : options.levels) {
    for (const bool pinned : {false, true}) {
      Trial trial;
      trial.name = level + (pinned ? ", one CPU" : "");
      trial.output = scratch.Path() / ("setup-" + level + (pinned ? "-1" : "") + ".exe");
      trial.build = true;
      trial.command = {(bin / "mksetup").string(),
                       "build",
                       "--script",
                       options.script.string(),
                       "--licence",
                       options.licence.string(),
                       "--source",
                       options.source.string(),
                       "-o",
                       trial.output.string(),
                       "--stub",
                       stub.string(),
                       "--compression",
                       level,
                       "--allow",
                       "no-uninstaller"};
      if (pinned) trial.command.insert(trial.command.begin(), {"taskset", "-c", "0"});
      trials.push_back(std::move(trial));
    }
  }
  std::printf("%d alternating rounds of %zu builds:\n", options.trials, trials.size());
  for (int round = 0; round < options.trials; ++round) {
    for (Trial& trial : trials) RunOnce(trial);
    std::printf("  round %d done, load average %s\n", round + 1, LoadAverage().c_str());
  }

  const auto find = [&](const std::string& name) -> const Trial* {
    for (const Trial& trial : trials) {
      if (trial.name == name && !trial.wall.empty()) return &trial;
    }
    return nullptr;
  };
  // A file's compressed data: the payload resource of setup.exe; NSIS's installer less the
  // installer of nothing.
  const auto data = [&](const Trial& trial) {
    return trial.build ? trial.payload : trial.bytes - std::min(trial.bytes, nsisOwn);
  };
  std::printf(
      "medians of %d rounds (fastest-slowest); cpu of the process and its children; peak "
      "resident the largest:\n"
      "  %-20s %11s %11s %7s %17s %8s %8s\n",
      options.trials, "build", "file bytes", "data bytes", "data %", "wall s", "cpu s", "peak MB");
  for (const Trial& trial : trials) {
    if (trial.wall.empty()) {
      std::printf("  %-20s no figures (%d failed)\n", trial.name.c_str(), trial.failures);
      continue;
    }
    std::printf("  %-20s %11llu %11llu %6.2f%% %7.2f (%.2f-%.2f) %8.2f %8.1f%s\n",
                trial.name.c_str(), static_cast<unsigned long long>(trial.bytes),
                static_cast<unsigned long long>(data(trial)), 100.0 * data(trial) / inflated,
                bench::Median(trial.wall), Low(trial.wall), High(trial.wall),
                bench::Median(trial.cpu), trial.peakKb / 1024.0,
                trial.build && !trial.same ? "  DIFFERENT BYTES between rounds" : "");
  }
  if (nsis) {
    std::printf("  (NSIS's installer of nothing: %llu bytes; setup.exe's stub: %llu bytes)\n",
                static_cast<unsigned long long>(nsisOwn),
                static_cast<unsigned long long>(stubBytes));
  }

  std::printf("%-54s %10s  %s\n", "against the targets", "measured", "target");
  const auto line = [](const std::string& what, double value, const char* target, bool met) {
    std::printf("  %-52s %9.3fx  %-22s %s\n", what.c_str(), value, target, met ? "met" : "NOT met");
  };
  for (const std::string& level : options.levels) {
    const Trial* all = find(level);
    const Trial* one = find(level + ", one CPU");
    if (all == nullptr || one == nullptr) continue;
    if (all->first != one->first) std::printf("  %s: one CPU wrote other bytes\n", level.c_str());
    const double speedUp = bench::Median(one->wall) / bench::Median(all->wall);
    const double fastest = Low(one->wall) / Low(all->wall);
    line(level + ": wall on one CPU / on every core", speedUp,
         std::thread::hardware_concurrency() == 2 ? "at least 1.8x on 2" : "(1.8x on 2 cores)",
         speedUp >= 1.8);
    std::printf("  %-52s %9.3fx  (fastest rounds)\n", "", fastest);
    // Never slower: in no round did every core take longer than one CPU's median.
    const bool slower = High(all->wall) > bench::Median(one->wall);
    std::printf("  %-52s %10s  %-22s %s\n", (level + ": every core never slower than one").c_str(),
                slower ? "slower" : "faster", "", slower ? "NOT met" : "met");
  }
  const Trial* zlib = find("makensis zlib");
  const Trial* lzma = find("makensis /SOLID lzma");
  if (const Trial* small = find("small"); small != nullptr && zlib != nullptr) {
    line("small: data / makensis zlib's", static_cast<double>(data(*small)) / data(*zlib),
         "at most 0.97x", data(*small) <= 0.97 * data(*zlib));
    std::printf("  %-52s %9.3fx  (whole files)\n", "",
                static_cast<double>(small->bytes) / zlib->bytes);
  }
  if (const Trial* smallest = find("smallest"); smallest != nullptr && lzma != nullptr) {
    line("smallest: data / makensis /SOLID lzma's",
         static_cast<double>(data(*smallest)) / data(*lzma), "at most 1.03x",
         data(*smallest) <= 1.03 * data(*lzma));
    std::printf("  %-52s %9.3fx  (whole files)\n", "",
                static_cast<double>(smallest->bytes) / lzma->bytes);
  }
  std::printf("load average at the end: %s; %.0f s in all\n", LoadAverage().c_str(),
              bench::SecondsSince(started));
  int failures = 0;
  for (const Trial& trial : trials) failures += trial.failures;
  return failures > 0 ? 1 : 0;
}

}  // namespace build

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(build::kUsage, stdout);
    return 0;
  }
  if (!args.empty() && args[0] == "--build") {
    try {
      return build::Run({args.begin() + 1, args.end()});
    } catch (const std::exception& error) {
      std::fprintf(stderr, "bench_payload: %s\n", error.what());
      return 1;
    }
  }
  if (!args.empty()) {
    std::fprintf(stderr, "bench_payload: unknown option %s\n%s", args[0].c_str(), build::kUsage);
    return 2;
  }
  const bench::ScratchFolder scratch(std::filesystem::temp_directory_path() /
                                     ("bench_payload." + std::to_string(::getpid())));
  const std::filesystem::path payloadFile = scratch.Path() / "SetupData";
  const std::uint64_t inflated = WritePayloadFile(payloadFile);
  const std::uint64_t payloadBytes = std::filesystem::file_size(payloadFile);
  std::printf(
      "payload %llu bytes, inflated %llu, ratio %.2f%%; peak resident %ld kB after "
      "building it\n",
      static_cast<unsigned long long>(payloadBytes), static_cast<unsigned long long>(inflated),
      100.0 * payloadBytes / inflated, StatusKb("VmHWM"));

  Reading reader, bare, kept;
  for (int round = 0; round < kRounds; ++round) {
    Measure(payloadFile, ReadWithReader, true, reader);
    Measure(payloadFile, ReadWithBareZlib, true, bare);
  }
  Measure(payloadFile, ReadWithReader, false, kept);
  std::printf("best of %d rounds over a read-only mapping, read pages given back behind:\n",
              kRounds);
  Print("reader (PayloadReader, InflateTo)", reader);
  Print("bare zlib loop", bare);
  std::printf("reader/bare %.3f\n", reader.seconds / bare.seconds);
  std::printf("without giving read pages back (they stay mapped, clean, in the page cache):\n");
  Print("reader", kept);
  const bool complete =
      reader.bytes == inflated && bare.bytes == inflated && kept.bytes == inflated;
  if (!complete) std::printf("inflated byte counts differ from the payload's\n");
  return complete ? 0 : 1;
}
