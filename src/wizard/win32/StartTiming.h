#pragma once
// How long the program takes from its start to the first painted page: written to the debug
// output only, since the setup writes no file of its own but UnInstall.LOG.
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
