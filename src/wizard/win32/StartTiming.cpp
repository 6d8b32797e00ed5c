#include "wizard/win32/StartTiming.h"

#include <cstdio>
#include <memory>
#include <string>

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

std::string LogPath() {
  char path[MAX_PATH + 1];
  const DWORD length = GetEnvironmentVariableA("SETUP_TIMING_LOG", path, sizeof path);
  return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

}  // namespace

StartTiming::StartTiming() : entryTicks_(GetTickCount()) {}

void StartTiming::FirstPaint() {
  if (reported_) return;
  reported_ = true;
  const std::string line =
      "first-paint-ms-since-entry " + std::to_string(GetTickCount() - entryTicks_) +
      "\nfirst-paint-ms-since-process-start " + std::to_string(SinceProcessCreation()) + "\n";
  OutputDebugStringA(line.c_str());
  const std::string path = LogPath();
  if (path.empty()) return;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "a"), std::fclose);
  if (file) std::fputs(line.c_str(), file.get());
}

}  // namespace setup::view
