// resource-probe-host EXE REPORT: reads SetupInfo and SetupData out of the executable file with
// mksetup's PE resource reader and writes the same report as resource-probe.exe does on Windows.
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <vector>

#include "ResourceProbe.h"
#include "pe/PeResources.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: resource-probe-host EXE REPORT\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    std::fprintf(stderr, "%s: cannot be read\n", argv[1]);
    return 1;
  }
  try {
    setup::mksetup::PeResources resources(image);
    // The Windows probe runs with Wine's default locale, whose decimal separator is ".".
    if (!setup::WriteReport(argv[2], setup::DescribeResources(resources, "."))) {
      std::fprintf(stderr, "cannot write %s\n", argv[2]);
      return 1;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
