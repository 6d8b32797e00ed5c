// resource-probe-host EXE REPORT: reads SetupInfo and SetupData out of the executable file with
// mksetup's PE resource reader and writes the same report as resource-probe.exe does on Windows.
#include <cstdio>
#include <exception>

#include "ResourceProbe.h"
#include "platform/sim/SimSession.h"
#include "setupexe/SetupExe.h"
#include "text/FileFormat.h"

namespace {

// The two resources of the executable file, as the setup program finds them in its image.
class FileResources : public setup::Resources {
 public:
  explicit FileResources(const setup::mksetup::SetupExe& exe) : exe_(exe) {}
  std::optional<setup::ByteSpan> FindRcData(const std::string& name) override {
    if (name == setup::kScriptResource) return exe_.info;
    if (name == setup::kPayloadResource) return exe_.data;
    return std::nullopt;
  }

 private:
  const setup::mksetup::SetupExe& exe_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: resource-probe-host EXE REPORT\n");
    return 2;
  }
  try {
    setup::mksetup::SetupExe exe = setup::mksetup::OpenSetupExe(argv[1]);
    FileResources resources(exe);
    // The Windows probe runs with Wine's default locale, whose decimal separator is ".", as the
    // simulated session's is.
    setup::SimSession session;
    if (!setup::WriteReport(argv[2], setup::DescribeResources(resources, session))) {
      std::fprintf(stderr, "cannot write %s\n", argv[2]);
      return 1;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
