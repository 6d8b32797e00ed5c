// What bench_install reads and writes without running anything: its command line, medians, the
// figures in the Windows programs' reports, and the paths and script it hands to Wine and NSIS.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BenchFigures.h"

namespace setup::bench {
namespace {

TEST(BenchFigures, ParsesTheCommandLine) {
  struct Row {
    std::vector<std::string> args;
    int trials;
    unsigned size;
    std::vector<unsigned> quarters;
    bool wine, nsis, disk, folder;
    int wineCpu = -1;
    std::string wineArch{};
  };
  const Row rows[] = {
      {{}, 5, 4, {1, 2, 4, 8}, true, true, true, true},
      {{"--trials", "1", "--size", "1", "--quarters", "none", "--no-wine", "--no-disk",
        "--no-folder"},
       1,
       1,
       {},
       false,
       true,
       false,
       false},
      {{"--quarters", "8,1,4,1"}, 5, 4, {1, 4, 8}, true, true, true, true},
      {{"--no-nsis", "--trials", "9"}, 9, 4, {1, 2, 4, 8}, true, false, true, true},
      {{"--wine-cpu", "1"}, 5, 4, {1, 2, 4, 8}, true, true, true, true, 1},
      {{"--wine-cpu", "0", "--no-nsis"}, 5, 4, {1, 2, 4, 8}, true, false, true, true, 0},
      {{"--wine-arch", "x64", "--wine-arch", "x86"},
       5,
       4,
       {1, 2, 4, 8},
       true,
       true,
       true,
       true,
       -1,
       "x86"},
      {{"--wine-arch", "x64"}, 5, 4, {1, 2, 4, 8}, true, true, true, true, -1, "x64"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.args));
    InstallBenchOptions options;
    EXPECT_EQ(ParseInstallBenchOptions(row.args, options), "");
    EXPECT_EQ(options.trials, row.trials);
    EXPECT_EQ(options.size, row.size);
    EXPECT_EQ(options.quarters, row.quarters);
    EXPECT_EQ(options.wine, row.wine);
    EXPECT_EQ(options.nsis, row.nsis);
    EXPECT_EQ(options.disk, row.disk);
    EXPECT_EQ(options.folder, row.folder);
    EXPECT_EQ(options.wineCpu, row.wineCpu);
    EXPECT_EQ(options.wineArch, row.wineArch);
  }
}

TEST(BenchFigures, RefusesABadCommandLine) {
  struct Row {
    std::vector<std::string> args;
    std::string error;
  };
  const Row rows[] = {
      {{"--trials", "0"}, "--trials takes a number from 1 to 99"},
      {{"--trials", "5x"}, "--trials takes a number from 1 to 99"},
      {{"--size", "3"}, "--size takes 1, 2, 4 or 8"},
      {{"--quarters", "1,3"}, "--quarters takes 1, 2, 4 and 8 separated by commas, or none"},
      {{"--quarters", ""}, "--quarters takes 1, 2, 4 and 8 separated by commas, or none"},
      {{"--trials"}, "--trials needs a value"},
      {{"--fast"}, "unknown option --fast"},
      {{"--wine-cpu", "-1"}, "--wine-cpu takes a CPU number from 0 to 1023"},
      {{"--wine-cpu", "1024"}, "--wine-cpu takes a CPU number from 0 to 1023"},
      {{"--wine-arch", "X64"}, "--wine-arch takes x86 or x64"},
      {{"--wine-arch", "arm64"}, "--wine-arch takes x86 or x64"},
      {{"--wine-arch"}, "--wine-arch needs a value"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.args));
    InstallBenchOptions options;
    EXPECT_EQ(ParseInstallBenchOptions(row.args, options), row.error);
  }
}

TEST(BenchFigures, MedianIsTheMiddleOfTheSortedValues) {
  struct Row {
    std::vector<double> values;
    double median;
  };
  const Row rows[] = {
      {{}, 0}, {{3}, 3}, {{9, 1, 5}, 5}, {{4, 1, 3, 2}, 2.5}, {{7, 7, 1, 9, 8}, 7},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.values));
    EXPECT_DOUBLE_EQ(Median(row.values), row.median);
  }
}

TEST(BenchFigures, ReadsTheReportsOfTheWindowsPrograms) {
  const std::string engine =
      "Admin=[0]\r\nAction=[ref\\d00\\f0000.dat]\r\nOutcome=[Completed]\r\n"
      "PeakWorkingSet=[24428544]\r\nBoxText=[a=[b]]\r\n";
  EXPECT_EQ(ReportValue(engine, "Outcome"), "Completed");
  EXPECT_EQ(ReportValue(engine, "PeakWorkingSet"), "24428544");
  EXPECT_EQ(ReportValue(engine, "BoxText"), "a=[b]");
  EXPECT_EQ(ReportValue(engine, "Peak"), std::nullopt);
  EXPECT_EQ(ReportValue(engine, "Error"), std::nullopt);

  const std::string driver =
      "TIME first-page 812 ms\nCLICK NextBtn 900 ms\nTIME install 2200 ms\r\n"
      "TIME walk 4100 ms\nTIME broken x ms\n";
  EXPECT_EQ(DriverTime(driver, "install"), 2200);
  EXPECT_EQ(DriverTime(driver, "walk"), 4100);
  EXPECT_EQ(DriverTime(driver, "first-page"), 812);
  EXPECT_EQ(DriverTime(driver, "broken"), std::nullopt);
  EXPECT_EQ(DriverTime(driver, "finish"), std::nullopt);
}

TEST(BenchFigures, NamesPathsAsWineAndTheSetupDo) {
  EXPECT_EQ(WinePath("/dev/shm/bench/run"), "Z:\\dev\\shm\\bench\\run");
  EXPECT_EQ(InstalledPath("%Sref\\d00\\f0000.dat"), "ref/d00/f0000.dat");
  EXPECT_EQ(InstalledPath("%Adata\\x.ini"), "data/x.ini");
  EXPECT_EQ(InstalledPath("plain.txt"), "plain.txt");
}

TEST(BenchFigures, NsisScriptInstallsTheTreeSilentlyWithZlib) {
  const std::string script = NsisScript("/shm/product/tree", "/shm/nsis.exe");
  for (const char* line : {"OutFile \"/shm/nsis.exe\"\n", "SetCompressor zlib\n",
                           "SilentInstall silent\n", "  File /r \"/shm/product/tree/S/*\"\n"}) {
    SCOPED_TRACE(line);
    EXPECT_NE(script.find(line), std::string::npos);
  }
  EXPECT_LT(script.find("SetCompressor"), script.find("Section\n"));
}

}  // namespace
}  // namespace setup::bench
