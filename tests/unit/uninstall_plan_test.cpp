// The removal plan: reverse order, each target once, the uninstaller's own file and folders
// left to its copy, the registration and the log last.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RemovalPlan.h"

namespace setup {
namespace {

const char* KindName(StepKind kind) {
  switch (kind) {
    case StepKind::File:
      return "file ";
    case StepKind::Association:
      return "assoc ";
    case StepKind::Folder:
      return "folder ";
    case StepKind::UninstallKey:
      return "key ";
    case StepKind::Log:
      return "log ";
  }
  return "?";
}

std::vector<std::string> Describe(const RemovalPlan& plan) {
  std::vector<std::string> out;
  for (const RemovalStep& step : plan.steps) out.push_back(KindName(step.kind) + step.target);
  if (!plan.selfPath.empty()) out.push_back("self " + plan.selfPath);
  for (const std::string& folder : plan.selfFolders) out.push_back("selffolder " + folder);
  return out;
}

LogRecord D(const char* path) {
  return {RecordKind::Folder, path};
}
LogRecord F(const char* path) {
  return {RecordKind::File, path};
}
LogRecord X(const char* ext) {
  return {RecordKind::Association, ext};
}

const std::string kKey = "key SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\uninstall\\Prod";
const std::string kLog = "log C:\\P\\UnInstall.LOG";
const char* kSelf = "C:\\P\\UnInstall.EXE";

struct PlanCase {
  const char* name;
  std::vector<LogRecord> records;
  const char* uninstaller;
  std::vector<std::string> expected;
};

class UninstallPlan : public testing::TestWithParam<PlanCase> {};

TEST_P(UninstallPlan, Steps) {
  const PlanCase& c = GetParam();
  InstalledProduct product{"Prod", LogLanguage::English, c.records};
  EXPECT_EQ(Describe(MakeRemovalPlan(product, c.uninstaller)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UninstallPlan,
    testing::Values(
        PlanCase{"ReverseOrder",
                 {D("C:\\Q\\"), F("C:\\Q\\a"), D("C:\\Q\\sub\\"), F("C:\\Q\\sub\\b"), X("T5107")},
                 kSelf,
                 {"assoc T5107", "file C:\\Q\\sub\\b", "folder C:\\Q\\sub\\", "file C:\\Q\\a",
                  "folder C:\\Q\\", kKey, kLog}},
        PlanCase{"DuplicatesOnceAtTheirLastPlace",
                 {F("C:\\Q\\a"), F("C:\\Q\\b"), F("c:\\q\\A"), X("T5107"), X("t5107"), D("C:\\Q\\"),
                  D("C:\\q\\")},
                 kSelf,
                 {"folder C:\\q\\", "assoc t5107", "file c:\\q\\A", "file C:\\Q\\b", kKey, kLog}},
        PlanCase{"IndNamesAreFiles",
                 {F("C:\\Q\\lib.SYM5107"), F("C:\\Q\\lib.SYM5107IND")},
                 kSelf,
                 {"file C:\\Q\\lib.SYM5107IND", "file C:\\Q\\lib.SYM5107", kKey, kLog}},
        PlanCase{
            "SelfAndItsFolderLeftToTheCopy",
            {D("C:\\P\\"), D("C:\\P\\help\\"), F("C:\\P\\help\\h.txt"), F("C:\\P\\uninstall.exe")},
            kSelf,
            {"file C:\\P\\help\\h.txt", "folder C:\\P\\help\\", kKey, kLog,
             "self C:\\P\\UnInstall.EXE", "selffolder C:\\P\\"}},
        PlanCase{"SelfFoldersInnermostFirst",
                 {D("C:\\A\\B\\"), D("C:\\A\\"), F("C:\\A\\B\\UnInstall.EXE")},
                 "C:\\A\\B\\UnInstall.EXE",
                 {kKey, "log C:\\A\\B\\UnInstall.LOG", "self C:\\A\\B\\UnInstall.EXE",
                  "selffolder C:\\A\\B\\", "selffolder C:\\A\\"}},
        PlanCase{"UnloggedSelfStaysWithItsFolder",
                 {D("C:\\P\\"), F("C:\\P\\a")},
                 kSelf,
                 {"file C:\\P\\a", kKey, kLog, "folder C:\\P\\"}},
        PlanCase{"LogRecordOfTheLogItselfIsTheLastStep",
                 {F("C:\\P\\UnInstall.LOG"), F("C:\\P\\a")},
                 kSelf,
                 {"file C:\\P\\a", kKey, kLog}},
        PlanCase{"NoRecords", {}, kSelf, {kKey, kLog}}),
    [](const testing::TestParamInfo<PlanCase>& info) { return info.param.name; });

}  // namespace
}  // namespace setup
