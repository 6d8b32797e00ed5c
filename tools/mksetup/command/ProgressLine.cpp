#include "ProgressLine.h"

#include <unistd.h>

#include <algorithm>

#include "text/Utf8.h"

namespace setup::mksetup {

void ProgressLine::Show(const std::string& percent, const std::string& action,
                        Clock::time_point now) {
  percent_ = percent;
  action_ = action;
  pending_ = true;
  if (out_ == nullptr) return;
  if (written_ && percent == writtenPercent_ && now - writtenAt_ < std::chrono::seconds(1)) return;
  writtenPercent_ = percent;
  writtenAt_ = now;
  Write();
}

std::FILE* ProgressLine::TerminalOrNone(std::FILE* stream) {
  return isatty(fileno(stream)) ? stream : nullptr;
}

void ProgressLine::Finish() {
  if (out_ == nullptr) return;
  if (pending_) Write();
  if (!ended_) std::fprintf(out_, "\n");
  written_ = false;
  ended_ = true;
}

void ProgressLine::Break() {
  if (out_ == nullptr || !written_) return;
  if (pending_) Write();
  std::fprintf(out_, "\n");
  written_ = false;
  ended_ = true;
}

void ProgressLine::Write() {
  // Cut and padded to 70 characters, not bytes: a cut by bytes could split one.
  std::string action = FirstCharacters(action_, 70);
  action.append(70 - std::min<std::size_t>(70, CharacterCount(action)), ' ');
  std::fprintf(out_, "\r%4s  %s", percent_.c_str(), action.c_str());
  pending_ = false;
  written_ = true;
  ended_ = false;
}

std::string PercentOf(std::uint64_t done, std::uint64_t total) {
  return std::to_string(total == 0 ? 100 : done * 100 / total) + "%";
}

std::string CompressingText(std::uint64_t done, std::uint64_t total) {
  return "compressing " + std::to_string(done) + " of " + std::to_string(total) + " bytes";
}

}  // namespace setup::mksetup
