#include "BenchFigures.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace setup::bench {
namespace {

bool ParseNumber(const std::string& text, unsigned long& value) {
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && at == end && !text.empty();
}

bool IsQuarter(unsigned long value) {
  return value == 1 || value == 2 || value == 4 || value == 8;
}

std::string ParseQuarterList(const std::string& text, std::vector<unsigned>& quarters) {
  quarters.clear();
  if (text == "none") return {};
  std::stringstream items(text);
  for (std::string item; std::getline(items, item, ',');) {
    unsigned long value = 0;
    if (!ParseNumber(item, value) || !IsQuarter(value)) {
      return "--quarters takes 1, 2, 4 and 8 separated by commas, or none";
    }
    if (std::find(quarters.begin(), quarters.end(), value) == quarters.end()) {
      quarters.push_back(static_cast<unsigned>(value));
    }
  }
  if (quarters.empty()) return "--quarters takes 1, 2, 4 and 8 separated by commas, or none";
  std::sort(quarters.begin(), quarters.end());
  return {};
}

}  // namespace

const char* const kInstallBenchUsage =
    "usage: bench_install [--trials N] [--size 1|2|4|8] [--quarters LIST|none] [--no-wine]\n"
    "                     [--no-nsis] [--no-disk] [--no-folder] [--wine-cpu N]\n"
    "                     [--wine-arch x86|x64]\n";

std::string ParseInstallBenchOptions(const std::vector<std::string>& args,
                                     InstallBenchOptions& options) {
  struct Switch {
    const char* flag;
    bool InstallBenchOptions::*field;
  };
  static constexpr Switch kSwitches[] = {{"--no-wine", &InstallBenchOptions::wine},
                                         {"--no-nsis", &InstallBenchOptions::nsis},
                                         {"--no-disk", &InstallBenchOptions::disk},
                                         {"--no-folder", &InstallBenchOptions::folder}};
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& flag = args[i];
    const auto known = std::find_if(std::begin(kSwitches), std::end(kSwitches),
                                    [&](const Switch& s) { return flag == s.flag; });
    if (known != std::end(kSwitches)) {
      options.*known->field = false;
      continue;
    }
    if (flag != "--trials" && flag != "--size" && flag != "--quarters" && flag != "--wine-cpu" &&
        flag != "--wine-arch") {
      return "unknown option " + flag;
    }
    if (i + 1 >= args.size()) return flag + " needs a value";
    const std::string& value = args[++i];
    unsigned long number = 0;
    if (flag == "--quarters") {
      if (std::string error = ParseQuarterList(value, options.quarters); !error.empty()) {
        return error;
      }
    } else if (flag == "--trials") {
      if (!ParseNumber(value, number) || number < 1 || number > 99) {
        return "--trials takes a number from 1 to 99";
      }
      options.trials = static_cast<int>(number);
    } else if (flag == "--wine-arch") {
      if (value != "x86" && value != "x64") return "--wine-arch takes x86 or x64";
      options.wineArch = value;
    } else if (flag == "--wine-cpu") {
      if (!ParseNumber(value, number) || number > 1023) {
        return "--wine-cpu takes a CPU number from 0 to 1023";
      }
      options.wineCpu = static_cast<int>(number);
    } else {
      if (!ParseNumber(value, number) || !IsQuarter(number)) return "--size takes 1, 2, 4 or 8";
      options.size = static_cast<unsigned>(number);
    }
  }
  return {};
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::optional<std::string> ReportValue(const std::string& report, const std::string& name) {
  std::istringstream lines(report);
  const std::string start = name + "=[";
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > start.size() && line.compare(0, start.size(), start) == 0 &&
        line.back() == ']') {
      return line.substr(start.size(), line.size() - start.size() - 1);
    }
  }
  return std::nullopt;
}

std::optional<long> DriverTime(const std::string& report, const std::string& what) {
  std::istringstream lines(report);
  const std::string start = "TIME " + what + " ";
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, start.size(), start) != 0) continue;
    const std::string rest = line.substr(start.size());
    const std::size_t space = rest.find(' ');
    unsigned long ms = 0;
    if (space == std::string::npos || rest.substr(space) != " ms" ||
        !ParseNumber(rest.substr(0, space), ms)) {
      return std::nullopt;
    }
    return static_cast<long>(ms);
  }
  return std::nullopt;
}

std::string WinePath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string InstalledPath(const std::string& fileLinePath) {
  std::string path = fileLinePath;
  if (path.size() >= 2 && path[0] == '%') path.erase(0, 2);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string NsisScript(const std::string& tree, const std::string& output) {
  // The tree's macro folder S is the destination itself, as the setup's %S is.
  return "Unicode true\n"
         "Name \"Reference product\"\n"
         "OutFile \"" +
         output +
         "\"\n"
         "SetCompressor zlib\n"
         "SilentInstall silent\n"
         "RequestExecutionLevel user\n"
         "InstallDir \"$TEMP\\reference\"\n"
         "Section\n"
         "  SetOutPath \"$INSTDIR\"\n"
         "  File /r \"" +
         tree +
         "/S/*\"\n"
         "SectionEnd\n";
}

}  // namespace setup::bench
