#pragma once
// How long the program takes from its start to the first painted page: written to the debug
// output, and appended to the file that the environment variable SETUP_TIMING_LOG names.
#include <windows.h>

namespace setup::view {

class StartTiming {
 public:
  StartTiming();      // at the program entry
  void FirstPaint();  // only the first call counts

 private:
  DWORD entryTicks_;
  bool reported_ = false;
};

}  // namespace setup::view
