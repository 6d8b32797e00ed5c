#pragma once
// When the installation run's progress is drawn. The run reports every change at once, three
// for each action line (12,000 for a large product), and drawing one costs the window server a
// trip through every window of the dialog. A new percentage or bar position is drawn at once,
// so every value is seen; a new action text under the same percentage waits until kIntervalMs
// have passed since the last drawing. A line that starts a new percentage reports its text just
// after the percentage was drawn, so its text always waits: the run says it is still working
// after each piece of a file it writes, and a text that waited the interval is drawn then, so a
// file that takes longer than the interval shows its own path rather than the one before it.
// A report with nothing new draws nothing. What is left undrawn at the end is drawn before the
// next message box and when the run's handler returns, so the last state is shown exactly.
#include <cstdint>
#include <string>
#include <string_view>

namespace setup {

class RepaintPacing {
 public:
  static constexpr std::uint32_t kIntervalMs = 40;

  // Whether to draw the progress as it is now. nowMs: a millisecond clock (GetTickCount), which
  // may wrap.
  bool Due(std::string_view percent, int position, std::string_view action, std::uint32_t nowMs) {
    const bool newValue = !drawn_ || percent != percent_ || position != position_;
    if (!newValue && (action == action_ || nowMs - drawnAt_ < kIntervalMs)) return false;
    drawn_ = true;
    percent_ = percent;
    position_ = position;
    action_ = action;
    drawnAt_ = nowMs;
    return true;
  }

 private:
  bool drawn_ = false;
  std::string percent_;
  int position_ = 0;
  std::string action_;
  std::uint32_t drawnAt_ = 0;
};

}  // namespace setup
