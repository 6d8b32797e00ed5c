// The progress line of mksetup run and build: which repaints are written, that the screen ends on
// the last one whatever was held back, and the build's percentage.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "command/ProgressLine.h"

namespace setup::mksetup {
namespace {

struct Repaint {
  const char* percent;
  const char* action;
  int ms;  // since the first
};

std::string Line(const Repaint& r) {
  char text[128];
  std::snprintf(text, sizeof text, "\r%4s  %-70.70s", r.percent, r.action);
  return text;
}

TEST(MksetupProgressLine, WritesChangesAndSecondsAndEndsOnTheLastRepaint) {
  struct Case {
    const char* name;
    std::vector<Repaint> repaints;
    std::vector<std::size_t> written;  // indexes of the repaints written before the end
  };
  const Case cases[] = {
      {"none", {}, {}},
      {"one", {{"1%", "a", 0}}, {0}},
      {"same percent held back, last written at the end",
       {{"1%", "a", 0}, {"1%", "b", 10}, {"1%", "c", 20}},
       {0, 2}},
      {"each new percent", {{"1%", "a", 0}, {"2%", "b", 1}, {"3%", "c", 2}}, {0, 1, 2}},
      {"a second passed",
       {{"5%", "a", 0}, {"5%", "b", 999}, {"5%", "c", 1000}, {"5%", "d", 1500}},
       {0, 2, 3}},
      {"the second counts from the last write",
       {{"1%", "a", 0}, {"2%", "b", 800}, {"2%", "c", 1200}, {"2%", "d", 1800}},
       {0, 1, 3}},
      {"a change after held-back ones", {{"1%", "a", 0}, {"1%", "b", 1}, {"2%", "c", 2}}, {0, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    ASSERT_NE(out, nullptr);
    const auto start = ProgressLine::Clock::now();
    {
      ProgressLine line(out);
      for (const Repaint& r : c.repaints) {
        line.Show(r.percent, r.action, start + std::chrono::milliseconds(r.ms));
      }
      line.Finish();
    }
    std::fclose(out);
    std::string expected;
    for (std::size_t i : c.written) expected += Line(c.repaints[i]);
    if (!c.repaints.empty() && (c.written.empty() || c.written.back() != c.repaints.size() - 1)) {
      expected += Line(c.repaints.back());
    }
    expected += "\n";
    EXPECT_EQ(std::string(buffer, size), expected);
    std::free(buffer);
  }
}

// Rounded down, so that a build shows 100% only once its last entry is written, and never more.
TEST(MksetupProgressLine, BuildPercentRoundsDown) {
  struct Row {
    std::uint64_t done, total;
    const char* percent;
  };
  const Row rows[] = {
      {0, 0, "100%"},
      {0, 10, "0%"},
      {1, 3, "33%"},
      {2, 3, "66%"},
      {199, 200, "99%"},
      {200, 200, "100%"},
      {2147483646, 2147483647, "99%"},
      {2147483647, 2147483647, "100%"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.done) + " of " + std::to_string(row.total));
    EXPECT_EQ(PercentOf(row.done, row.total), row.percent);
  }
}

}  // namespace
}  // namespace setup::mksetup
