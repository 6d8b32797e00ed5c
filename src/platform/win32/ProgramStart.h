#pragma once
// What a program of the setup is started with, in UTF-8: its own path and its arguments. The C
// runtime's argv and a fixed MAX_PATH buffer would hold them in the machine's code page, and cut
// a long path.
#include <string>
#include <vector>

namespace setup {

// The running program's full path; empty when Windows cannot tell it.
std::string ProgramPath();
// The command line split as the C runtime splits it, the program's own name first.
std::vector<std::string> ProgramArguments();

}  // namespace setup
