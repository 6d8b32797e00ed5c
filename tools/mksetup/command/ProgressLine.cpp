#include "ProgressLine.h"

namespace setup::mksetup {

void ProgressLine::Show(const std::string& percent, const std::string& action,
                        Clock::time_point now) {
  percent_ = percent;
  action_ = action;
  pending_ = true;
  if (written_ && percent == writtenPercent_ && now - writtenAt_ < std::chrono::seconds(1)) return;
  writtenPercent_ = percent;
  writtenAt_ = now;
  Write();
}

void ProgressLine::Finish() {
  if (pending_) Write();
  if (!ended_) std::fprintf(out_, "\n");
  written_ = false;
  ended_ = true;
}

void ProgressLine::Break() {
  if (!written_) return;
  if (pending_) Write();
  std::fprintf(out_, "\n");
  written_ = false;
  ended_ = true;
}

void ProgressLine::Write() {
  std::fprintf(out_, "\r%4s  %-70.70s", percent_.c_str(), action_.c_str());
  pending_ = false;
  written_ = true;
  ended_ = false;
}

}  // namespace setup::mksetup
