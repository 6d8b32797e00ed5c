#include "wizard/win32/StartTiming.h"

#include <string>

#include "platform/win32/WideText.h"

namespace setup::view {
namespace {

// Milliseconds from the creation of the process (before the loader ran) to now.
long long SinceProcessCreation() {
  FILETIME created, exited, kernel, user, now;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1;
  GetSystemTimeAsFileTime(&now);
  auto ticks = [](const FILETIME& time) {
    return (static_cast<long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return (ticks(now) - ticks(created)) / 10000;  // 100 ns units
}

}  // namespace

StartTiming::StartTiming() : entryTicks_(GetTickCount()) {}

void StartTiming::FirstPaint() {
  if (reported_) return;
  reported_ = true;
  const std::string line =
      "first-paint-ms-since-entry " + std::to_string(GetTickCount() - entryTicks_) +
      "\nfirst-paint-ms-since-process-start " + std::to_string(SinceProcessCreation()) + "\n";
  OutputDebugStringW(Utf16FromUtf8(line).c_str());
}

}  // namespace setup::view
