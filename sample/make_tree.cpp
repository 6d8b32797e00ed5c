// Writes the sample product's file tree under OUTDIR (S/ for %S, A/ for %A), the same bytes on
// every run. --win32-bin DIR copies the Windows programs VelV12.exe, setup_Korvalt.exe and
// UnInstall.EXE from there. --reference writes instead a product of the full reference shape
// (OUTDIR/tree, OUTDIR/setup.txt, OUTDIR/licence.txt) for the benchmarks.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ReferenceShape.h"

namespace fs = std::filesystem;

namespace {

struct ReadMe {
  const char* path;
  const char* text;
};

constexpr ReadMe kReadMes[] = {
    {"S/LiesMich.txt",
     "VELTRO 5107! V12 special (12.5.0.114)\r\n\r\nStarten Sie VelV12.exe aus "
     "dem Startmen\xfc. Beispiele finden Sie im Ordner projects.\r\n"},
    {"S/ReadMe.txt",
     "VELTRO 5107! V12 special (12.5.0.114)\r\n\r\nStart VelV12.exe from the "
     "start menu. Examples are in the projects folder.\r\n"},
    {"S/LisezMoi.txt",
     "VELTRO 5107! V12 special (12.5.0.114)\r\n\r\nD\xe9marrez VelV12.exe "
     "depuis le menu D\xe9marrer. Des exemples se trouvent dans projects.\r\n"},
};

constexpr const char* kLanguages[][2] = {{"de", "Hilfe"}, {"en", "Help"}, {"fr", "Aide"}};
constexpr const char* kHelpPages[] = {"index", "start", "shortcuts"};
constexpr const char* kWindowsPrograms[] = {"VelV12.exe", "setup_Korvalt.exe", "UnInstall.EXE"};

// A small deterministic generator (xorshift), so that the tree is the same on every run.
class Bytes {
 public:
  explicit Bytes(std::uint32_t seed) : state_(seed * 2654435761u + 1) {}
  std::uint8_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<std::uint8_t>(state_);
  }

 private:
  std::uint32_t state_;
};

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Table-like data: text rows with some noise, so that it compresses like real data.
std::string TableData(std::uint32_t seed, std::size_t rows) {
  Bytes random(seed);
  std::string text;
  for (std::size_t row = 0; row < rows; ++row) {
    text += "row " + std::to_string(row) + ";";
    for (int column = 0; column < 6; ++column) text += std::to_string(random.Next()) + ";";
    text += "\r\n";
  }
  return text;
}

std::string HelpPage(const char* language, const char* title, const char* page) {
  return std::string("<html lang=\"") + language + "\"><head><title>" + title + ": " + page +
         "</title></head>\r\n<body><h1>VELTRO 5107! V12 special</h1><p>" + title + " " + page +
         "</p></body></html>\r\n";
}

void WriteTree(const fs::path& root) {
  for (const ReadMe& readMe : kReadMes) Write(root / readMe.path, readMe.text);
  for (const auto& language : kLanguages) {
    for (const char* page : kHelpPages) {
      Write(root / "S/help" / (std::string(page) + "_" + language[0] + ".htm"),
            HelpPage(language[0], language[1], page));
    }
  }
  for (int i = 1; i <= 12; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "table%02d.dat", i);
    Write(root / "S/data" / name, TableData(static_cast<std::uint32_t>(i), 200u * i * i));
  }
  Write(root / "S/data/empty.dat", "");
  Write(root / "S/data/symbols.SYM5107", TableData(99, 500));
  for (int i = 1; i <= 6; ++i) {
    Bytes random(static_cast<std::uint32_t>(100 + i));
    std::string library(4096u * i, '\0');
    for (char& c : library) c = static_cast<char>(random.Next());
    Write(root / "A/libs" / ("part" + std::to_string(i) + ".lib"), library);
  }
  Write(root / "A/projects/example.T5107", "VELTRO 5107 project\r\nname=example\r\n");
}

void CopyWindowsPrograms(const fs::path& root, const fs::path& bin) {
  for (const char* program : kWindowsPrograms) {
    const fs::path from = bin / program;
    if (!fs::exists(from)) {
      std::fprintf(stderr, "make_sample_tree: %s not found, not copied\n", from.c_str());
      continue;
    }
    fs::create_directories(root / "S");
    fs::copy_file(from, root / "S" / program, fs::copy_options::overwrite_existing);
  }
}

// A licence of exactly the reference size, with its three marked sections.
std::string ReferenceLicence() {
  std::string text;
  for (const char* marker : {"GERMAN", "ENGLISH", "FRENCH"}) {
    text += std::string(marker) + "\r\nLizenz / licence / licence of the reference product.\r\n";
  }
  const std::size_t fill = setup::reference::kLicenceBytes - text.size() - 2;
  return text + std::string(fill, '.') + "\r\n";
}

// The reference product under OUTDIR: tree/ (the files), setup.txt and licence.txt. quarters
// scales it for the benchmarks' scale line: 1, 2, 4 or 8 quarters of the reference's files, each
// taking the size of every 4/quarters-th reference file (each twice at 8), so that size and file
// count grow together and the mix of large and small files stays.
void WriteReferenceProduct(const fs::path& out, unsigned quarters) {
  const std::vector<std::uint64_t> sizes = setup::reference::EntrySizes();
  const std::size_t files = (sizes.size() - 1) * quarters / 4;
  std::string script =
      "GEF\r\nN*Reference product\r\nV(1.0)\r\nS0\r\nDreference\\\r\n\r\n\r\n\r\n\r\n";
  constexpr std::size_t kPerFolder = 64;
  for (std::size_t file = 0; file < files; ++file) {
    char folder[16], name[32];
    std::snprintf(folder, sizeof folder, "d%02u", static_cast<unsigned>(file / kPerFolder));
    std::snprintf(name, sizeof name, "f%04u.dat", static_cast<unsigned>(file));
    if (file % kPerFolder == 0) script += std::string("D*%Sref\\") + folder + "\\\r\n";
    script += std::string("F*%Sref\\") + folder + "\\" + name + "\r\n";
    const std::size_t shape = file * 4 / quarters % (sizes.size() - 1);
    Write(out / "tree/S/ref" / folder / name,
          setup::reference::Content(sizes[shape + 1], static_cast<std::uint32_t>(file)));
  }
  Write(out / "setup.txt", script);
  Write(out / "licence.txt", ReferenceLicence());
}

}  // namespace

constexpr const char* kUsage =
    "usage: make_sample_tree OUTDIR [--win32-bin DIR] | OUTDIR --reference [--quarters 1|2|4|8]\n";

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  fs::path root, bin;
  bool reference = false;
  unsigned quarters = 4;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--reference") {
      reference = true;
    } else if (args[i] == "--quarters" && i + 1 < args.size() &&
               (args[i + 1] == "1" || args[i + 1] == "2" || args[i + 1] == "4" ||
                args[i + 1] == "8")) {
      quarters = static_cast<unsigned>(std::stoul(args[++i]));
    } else if (args[i] == "--win32-bin" && i + 1 < args.size()) {
      bin = args[++i];
    } else if (args[i] == "--help" || args[i] == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (root.empty() && !args[i].empty() && args[i][0] != '-') {
      // An unknown option is not a folder to write a tree into.
      root = args[i];
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (root.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  try {
    if (reference) {
      WriteReferenceProduct(root, quarters);
    } else {
      WriteTree(root);
      if (!bin.empty()) CopyWindowsPrograms(root, bin);
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make_sample_tree: %s\n", error.what());
    return 1;
  }
  return 0;
}
