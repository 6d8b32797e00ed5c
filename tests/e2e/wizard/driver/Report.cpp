#include "Report.h"

#include "platform/win32/WideText.h"

namespace e2e {

Report::Report(const std::string& path)
    : file_(_wfopen(setup::Utf16FromUtf8(path).c_str(), L"wb")), start_(GetTickCount()) {}

Report::~Report() {
  if (file_) std::fclose(file_);
}

void Report::Line(const std::string& line) {
  if (!file_) return;
  std::fputs(line.c_str(), file_);
  std::fputs("\r\n", file_);
  std::fflush(file_);
}

std::string OneLine(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') {
      out += "<CR>";
    } else if (c == '\n') {
      out += "<LF>";
    } else {
      out += c;
    }
  }
  return out;
}

void Fail(const std::string& reason) {
  throw StepFailed{reason};
}

}  // namespace e2e
