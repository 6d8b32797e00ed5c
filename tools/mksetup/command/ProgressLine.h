#pragma once
// The progress line of mksetup run and build, overwritten in place on a terminal. A reference run
// repaints the percentage once per script line, a build reports once per entry; the line is only
// written again when the percentage changes or a second has passed, and the last one is written
// at the end, so the screen ends the same. Nothing at all goes to a log: a command whose error
// output is no terminal shows no progress.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace setup::mksetup {

class ProgressLine {
 public:
  using Clock = std::chrono::steady_clock;
  // out: the terminal; nullptr writes nothing.
  explicit ProgressLine(std::FILE* out) : out_(out) {}
  // stream when it is a terminal, else nullptr.
  static std::FILE* TerminalOrNone(std::FILE* stream);

  // A repaint of the percentage with the action (as the setup shows it) beside it.
  void Show(const std::string& percent, const std::string& action, Clock::time_point now);
  // Writes the last line shown if it was held back, then ends the line.
  void Finish();
  // Ends a line already written, so that other output starts on its own line; the next Show
  // writes again.
  void Break();

 private:
  void Write();

  std::FILE* out_;
  std::string percent_, action_, writtenPercent_;
  Clock::time_point writtenAt_{};
  bool pending_ = false, written_ = false, ended_ = false;
};

// "NN%" of done in total, rounded down so that 100% means done; nothing in all is done.
std::string PercentOf(std::uint64_t done, std::uint64_t total);
// The build's action beside the percentage: "compressing DONE of TOTAL bytes".
std::string CompressingText(std::uint64_t done, std::uint64_t total);

}  // namespace setup::mksetup
