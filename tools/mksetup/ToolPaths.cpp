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

std::optional<fs::path> FindWindowsProgram(const char* envName, const std::string& fileName) {
  if (const char* value = std::getenv(envName); value && *value) return fs::path(value);
  const fs::path folder = ToolFolder();
  for (const fs::path& candidate :
       {folder / fileName, folder / ".." / ".." / "win32" / "bin" / fileName}) {
    std::error_code error;
    if (fs::is_regular_file(candidate, error)) return candidate.lexically_normal();
  }
  return std::nullopt;
}

}  // namespace setup::mksetup
