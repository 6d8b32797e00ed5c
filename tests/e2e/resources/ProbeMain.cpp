// resource-probe.exe REPORT: reads the program's own SetupInfo and SetupData through the win32
// layer and writes what it read to REPORT. A failure goes to stderr with a non-zero exit code.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "ResourceProbe.h"
#include "platform/win32/ProgramStart.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Resources.h"
#include "platform/win32/Win32Session.h"

namespace {

// The report's path read in UTF-16, so that a folder of any script holds it.
bool WriteReportFile(const std::string& path, const std::string& report) {
  std::FILE* file = _wfopen(setup::Utf16FromUtf8(path).c_str(), L"wb");
  if (!file) return false;
  const bool written = std::fwrite(report.data(), 1, report.size(), file) == report.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main() {
  const std::vector<std::string> args = setup::ProgramArguments();
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: resource-probe REPORT\n");
    return 2;
  }
  try {
    setup::Win32Resources resources;
    setup::Win32Session session;
    std::string report = setup::DescribeResources(resources, session);
    if (!WriteReportFile(args[1], report)) {
      std::fprintf(stderr, "cannot write %s\n", args[1].c_str());
      return 1;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
