#pragma once
// When the installation run's progress is drawn. The run reports every change at once, three
// for each action line (12,000 for a large product), and drawing one costs the window server a
// trip through every window of the dialog. A new percentage or bar position is drawn at once,
// so every value is seen; a new action text under the same percentage waits until kIntervalMs
// have passed since the last drawing. What is left undrawn at the end is drawn before the next
// message box and when the run's handler returns, so the last state is shown exactly.
#include <cstdint>
#include <string>
#include <string_view>

namespace setup {

class RepaintPacing {
 public:
  static constexpr std::uint32_t kIntervalMs = 40;

  // Whether to draw now. nowMs: a millisecond clock (GetTickCount), which may wrap.
  bool Due(std::string_view percent, int position, std::uint32_t nowMs) {
    if (drawn_ && percent == percent_ && position == position_ && nowMs - drawnAt_ < kIntervalMs)
      return false;
    drawn_ = true;
    percent_ = percent;
    position_ = position;
    drawnAt_ = nowMs;
    return true;
  }

 private:
  bool drawn_ = false;
  std::string percent_;
  int position_ = 0;
  std::uint32_t drawnAt_ = 0;
};

}  // namespace setup
