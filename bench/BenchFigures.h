#pragma once
// What bench_install works out without running anything: its command line, the median of a
// trial's figures, the values it reads back from the Windows programs' reports, and the texts
// it hands to them (Windows paths, the NSIS script of the same tree).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace setup::bench {

struct InstallBenchOptions {
  int trials = 5;                              // alternating rounds; each figure is their median
  unsigned size = 4;                           // quarters of the reference product, side by side
  std::vector<unsigned> quarters{1, 2, 4, 8};  // the scale line's sizes; empty: none
  bool wine = true;                            // the engine program and the wizard under Wine
  bool nsis = true;                            // NSIS's installer when makensis is on the PATH
  bool disk = true;                            // mksetup run and tar into a folder on disk too
  bool folder = true;    // new files in one folder through the simulated Windows
  int wineCpu = -1;      // the Wine trials and their wineserver on this CPU only; -1: anywhere
  std::string wineArch;  // "x86" or "x64"; empty: x86 where the kernel runs 32-bit programs
};

// Reads the command line after the program's name into options; the reason when it cannot.
std::string ParseInstallBenchOptions(const std::vector<std::string>& args,
                                     InstallBenchOptions& options);

extern const char* const kInstallBenchUsage;

// The middle value (the mean of the two middle ones for an even count); 0 for none.
double Median(std::vector<double> values);

// The value of a "Name=[value]" line of engine-run.exe's report.
std::optional<std::string> ReportValue(const std::string& report, const std::string& name);

// The milliseconds of the wizard driver's "TIME what N ms" line.
std::optional<long> DriverTime(const std::string& report, const std::string& what);

// A Linux path as Wine's Z: drive names it.
std::string WinePath(const std::string& unixPath);

// The folder below the destination that an F line's path names ("%Sref\d00\f.dat" gives
// "ref/d00/f.dat"): the macro letter dropped, backslashes made slashes.
std::string InstalledPath(const std::string& fileLinePath);

// An NSIS script whose silent installer, zlib-compressed, installs every file under tree into
// the folder given by /D=, as the setup installs them.
std::string NsisScript(const std::string& tree, const std::string& output);

}  // namespace setup::bench
