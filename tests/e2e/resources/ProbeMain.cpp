// resource-probe.exe REPORT: reads the program's own SetupInfo and SetupData through the win32
// layer and writes what it read to REPORT. A failure goes to stderr with a non-zero exit code.
#include <cstdio>
#include <exception>

#include "ResourceProbe.h"
#include "platform/win32/Win32Resources.h"
#include "platform/win32/Win32Session.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: resource-probe REPORT\n");
    return 2;
  }
  try {
    setup::Win32Resources resources;
    setup::Win32Session session;
    std::string report = setup::DescribeResources(resources, session);
    if (!setup::WriteReport(argv[1], report)) {
      std::fprintf(stderr, "cannot write %s\n", argv[1]);
      return 1;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
