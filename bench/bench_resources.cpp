// How list and extract fare with a setup.exe whose stub carries very many resources and whose
// payload is large: wall clock and peak resident size of each command, run as a child process.
//
//   bench_resources [--names N] [--payload-mb M] [--files F]
//
// Defaults: 60,000 names of each of two types, 300 MB in one file; --files spreads the payload
// over F files of equal size (pages of files done are given back, those of the file under way
// are not).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "pe/PeWriter.h"
#include "pe/ResourceTree.h"
#include "setupexe/Build.h"

namespace {
namespace fs = std::filesystem;
using namespace setup;

// A stub with names numbered resources of each of two types, a few bytes each: the shape of a
// stub that carries a large translation table.
void WriteStub(const fs::path& path, std::size_t names) {
  mksetup::ResourceTree tree;
  for (const std::uint16_t type : {std::uint16_t{6}, std::uint16_t{23}}) {
    mksetup::ResourceType& added = tree.types.emplace_back();
    added.id = mksetup::ResourceId::Number(type);
    for (std::size_t i = 1; i <= names; ++i) {
      mksetup::ResourceData data;
      data.bytes.assign(16, static_cast<std::uint8_t>(i));
      added.names.push_back({mksetup::ResourceId::Number(static_cast<std::uint16_t>(i)),
                             {{mksetup::ResourceId::Number(0), std::move(data)}}});
    }
  }
  const std::vector<std::uint8_t> image = bench::MinimalImage();
  mksetup::WriteExecutable(image, "stub", std::move(tree), path);
}

// Bytes that do not deflate, so that the setup.exe is as large as the payload asked for.
void WriteNoise(const fs::path& path, std::size_t megabytes, std::size_t seed) {
  std::ofstream out(path, std::ios::binary);
  std::mt19937_64 random(seed);
  std::vector<std::uint64_t> block(1 << 17);
  for (std::size_t i = 0; i < megabytes; ++i) {
    for (std::uint64_t& word : block) word = random();
    out.write(reinterpret_cast<const char*>(block.data()),
              static_cast<std::streamsize>(block.size() * sizeof(std::uint64_t)));
  }
}

void Print(const char* what, const bench::ChildFigures& figures) {
  std::printf("%-8s %7.2f s wall, %7.2f s CPU, peak %6.1f MB, exit %d\n", what, figures.seconds,
              figures.cpuSeconds, figures.peakKb / 1024.0, figures.status);
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t names = 60000, megabytes = 300, files = 1;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    std::size_t* const value = option == "--names"        ? &names
                               : option == "--payload-mb" ? &megabytes
                               : option == "--files"      ? &files
                                                          : nullptr;
    if (!value) {
      std::fprintf(stderr, "usage: bench_resources [--names N] [--payload-mb M] [--files F]\n");
      return 2;
    }
    *value = std::stoul(argv[i + 1]);
  }
  files = std::max<std::size_t>(files, 1);
  if (names > 65535) names = 65535;  // numbered ids are 16 bits
  const fs::path mksetup = fs::read_symlink("/proc/self/exe").parent_path() / "mksetup";
  const bench::ScratchFolder scratch(fs::temp_directory_path() /
                                     ("bench_resources-" + std::to_string(::getpid())));
  const fs::path dir = scratch.Path();
  WriteStub(dir / "stub.exe", names);
  fs::create_directories(dir / "src/S");
  std::string lines;
  for (std::size_t i = 0; i < files; ++i) {
    const std::string name = "data" + std::to_string(i) + ".bin";
    WriteNoise(dir / "src/S" / name, megabytes / files, i);
    lines += "F*%S" + name + "\r\n";
  }
  std::ofstream(dir / "licence.txt", std::ios::binary)
      << "GERMAN\r\nde\r\nENGLISH\r\nen\r\nFRENCH\r\nfr\r\n";
  std::ofstream(dir / "setup.txt", std::ios::binary)
      << "GEF\r\nN*P\r\nV1\r\nS0\r\nDsub\\\r\n\r\n\r\n\r\n\r\n"
      << lines;
  mksetup::BuildOptions options;
  options.script = dir / "setup.txt";
  options.licence = dir / "licence.txt";
  options.source = dir / "src";
  options.output = dir / "setup.exe";
  options.stub = dir / "stub.exe";
  mksetup::BuildSetup(options);
  std::printf("setup.exe of %zu MB in %zu files on a stub of 2 x %zu resources: %.1f MB\n",
              megabytes, files, names, fs::file_size(options.output) / 1048576.0);
  const std::string exe = options.output.string(), stub = options.stub.string();
  Print("list", bench::Spawn({mksetup.string(), "list", exe, "--stub", stub}));
  Print("extract",
        bench::Spawn({mksetup.string(), "extract", exe, (dir / "out").string(), "--stub", stub}));
  Print("run", bench::Spawn({mksetup.string(), "run", exe, "--root", (dir / "root").string()}));
  return 0;
}
