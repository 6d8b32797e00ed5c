#pragma once
// Answers the message boxes of this process from a second thread, the way a user would click
// them, and keeps what each box said. The installation run asks through real MessageBoxW calls.
#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/Win32Owned.h"

namespace engine_e2e {

struct AnsweredBox {
  std::string caption;
  std::string text;
  std::string answer;  // the button pressed: "ok", "cancel", "yes" or "no"
};

class BoxAnswerer {
 public:
  // answers: the buttons to press, box after box; once they run out every further box gets the
  // refusing answer (Cancel, else No, else OK), so that a surprise question cannot hang a run.
  explicit BoxAnswerer(std::vector<std::string> answers);
  ~BoxAnswerer();  // stops the thread
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

  std::vector<AnsweredBox> Boxes();

 private:
  void Watch();
  void Answer(HWND box);

  std::vector<std::string> answers_;
  std::size_t next_ = 0;
  std::mutex mutex_;
  std::vector<AnsweredBox> boxes_;
  setup::win32::Handle stop_;
  std::thread thread_;
};

}  // namespace engine_e2e
