#pragma once
// The driver's report: one line per event ("CODEPAGE", "PAGE", "CTRL", "BOX", "SHOT", "TIME",
// "EXIT", "LABEL", "FOCUS", "FAIL"), written and flushed at once so that a hung run still shows
// how far it came. Texts are the controls' texts in UTF-8, whatever the machine's code page, with
// CR and LF spelled <CR> and <LF> so that every event stays one line.
#include <windows.h>

#include <cstdio>
#include <string>

namespace e2e {

class Report {
 public:
  explicit Report(const std::string& path);
  ~Report();
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;

  bool Ok() const { return file_ != nullptr; }
  void Line(const std::string& line);
  // Milliseconds since the driver started.
  DWORD Elapsed() const { return GetTickCount() - start_; }

 private:
  std::FILE* file_;
  DWORD start_;
};

// A text made safe for one report line.
std::string OneLine(const std::string& text);

// Thrown by a step whose expectation failed; main writes it as a FAIL line.
struct StepFailed {
  std::string reason;
};

[[noreturn]] void Fail(const std::string& reason);

}  // namespace e2e
