#include "ToolPaths.h"

#include <cstdlib>
#include <system_error>

namespace setup::mksetup {
namespace fs = std::filesystem;

fs::path ToolFolder() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::current_path() : self.parent_path();
}

namespace {

std::optional<fs::path> FirstFile(std::initializer_list<fs::path> candidates) {
  for (const fs::path& candidate : candidates) {
    std::error_code error;
    if (fs::is_regular_file(candidate, error)) return candidate.lexically_normal();
  }
  return std::nullopt;
}

}  // namespace

const char* BuildPresetOf(Architecture architecture) {
  return architecture == Architecture::X64 ? "win64" : "win32";
}

std::optional<fs::path> FindWindowsProgramFrom(const fs::path& toolFolder, const char* envValue,
                                               const std::string& fileName,
                                               Architecture architecture) {
  // The x86 programs stay where they were before there were two kinds, so that an older
  // package's layout and scripts that copy them beside mksetup keep working.
  const fs::path kind = architecture == Architecture::X64 ? fs::path("x64") : fs::path();
  // The installed programs come first: a packaged mksetup must build on the stub it was shipped
  // with, whatever a build environment left in the variables.
  if (auto found = FirstFile({toolFolder / kInstalledProgramsFolder / kind / fileName,
                              toolFolder / kind / fileName})) {
    return found;
  }
  if (envValue && *envValue) return fs::path(envValue);
  return FirstFile({toolFolder / ".." / ".." / BuildPresetOf(architecture) / "bin" / fileName});
}

std::optional<fs::path> FindWindowsProgram(const char* envName, const std::string& fileName,
                                           Architecture architecture) {
  return FindWindowsProgramFrom(ToolFolder(), std::getenv(envName), fileName, architecture);
}

}  // namespace setup::mksetup
