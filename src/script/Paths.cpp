#include "script/Paths.h"

namespace setup {

std::string FolderPart(const std::string& path) {
  const std::size_t last = path.find_last_of("\\:");
  return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

}  // namespace setup
