#include <cstdio>

#include "Commands.h"

namespace setup::mksetup {

int RunCommand(const std::vector<std::string>& /*args*/) {
  std::fprintf(stderr, "mksetup run: not built yet\n");
  return 2;
}

}  // namespace setup::mksetup
