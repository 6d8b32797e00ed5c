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
  for (const std::string& path : plan.leftAlone) out.push_back("alone " + path);
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

// The folders of a machine as ReadRemovalBounds gives them.
const RemovalBounds kBounds = {
    {"C:\\Users\\Anna\\Start Menu\\", "C:\\Users\\Anna\\Start Menu\\Programs\\",
     "C:\\Users\\Anna\\Desktop\\",
     "C:\\Users\\Anna\\AppData\\Microsoft\\Internet Explorer\\Quick Launch\\",
     "C:\\Users\\Public\\Desktop\\"},
    {"C:\\Users\\Anna\\Start Menu\\", "C:\\Users\\Anna\\Start Menu\\Programs\\",
     "C:\\Users\\Anna\\Desktop\\", "C:\\Users\\Anna\\AppData\\",
     "C:\\Users\\Anna\\AppData\\Microsoft\\Internet Explorer\\Quick Launch\\",
     "C:\\Users\\Anna\\Documents\\", "C:\\Users\\Public\\Desktop\\", "C:\\Program Files\\",
     "C:\\WINDOWS\\"}};

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
  EXPECT_EQ(Describe(MakeRemovalPlan(product, c.uninstaller, kBounds)), c.expected);
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
                 {F("C:\\P\\lib.SYM5107"), F("C:\\P\\lib.SYM5107IND")},
                 kSelf,
                 {"file C:\\P\\lib.SYM5107IND", "file C:\\P\\lib.SYM5107", kKey, kLog}},
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
        PlanCase{"NoRecords", {}, kSelf, {kKey, kLog}},
        // A tampered log: what lies outside the destination, the D-record folders and the
        // shortcut folders stays, and so does a D record that names a system folder or one
        // holding it, with what it would make removable.
        PlanCase{"OutsideTheInstallationLeftAlone",
                 {F("C:\\WINDOWS\\win.ini"), F("C:\\WINDOWS\\system32\\notepad.exe"),
                  F("C:\\Users\\Anna\\Documents\\thesis.doc"), F("C:\\Px\\a"), F("C:\\P\\a")},
                 kSelf,
                 {"file C:\\P\\a", kKey, kLog, "alone C:\\Px\\a",
                  "alone C:\\Users\\Anna\\Documents\\thesis.doc",
                  "alone C:\\WINDOWS\\system32\\notepad.exe", "alone C:\\WINDOWS\\win.ini"}},
        PlanCase{
            "FolderRecordsOfSystemFoldersGiveNothing",
            {D("C:\\WINDOWS\\"), F("C:\\WINDOWS\\win.ini"), D("C:\\Users\\"),
             F("C:\\Users\\Anna\\Documents\\thesis.doc"), D("C:\\Users\\Anna\\Documents\\"),
             F("C:\\Users\\Anna\\Documents\\notes.txt")},
            kSelf,
            {kKey, kLog, "alone C:\\Users\\Anna\\Documents\\notes.txt",
             "alone C:\\Users\\Anna\\Documents\\", "alone C:\\Users\\Anna\\Documents\\thesis.doc",
             "alone C:\\Users\\", "alone C:\\WINDOWS\\win.ini", "alone C:\\WINDOWS\\"}},
        PlanCase{
            "FilesInCreatedFoldersAnywhere",
            {D("C:\\Data\\"), D("C:\\Data\\Veltro\\"), F("C:\\Data\\Veltro\\a"),
             D("C:\\Users\\Anna\\Documents\\Veltro\\"), F("C:\\Users\\Anna\\Documents\\Veltro\\b")},
            kSelf,
            {"file C:\\Users\\Anna\\Documents\\Veltro\\b",
             "folder C:\\Users\\Anna\\Documents\\Veltro\\", "file C:\\Data\\Veltro\\a",
             "folder C:\\Data\\Veltro\\", "folder C:\\Data\\", kKey, kLog}},
        PlanCase{
            "ShortcutsInShortcutFoldersOnly",
            {F("C:\\Users\\Anna\\Desktop\\Prod.lnk"), F("C:\\Users\\Anna\\Desktop\\notes.txt"),
             F("C:\\Users\\Anna\\Start Menu\\Prod.LNK"),
             F("C:\\Users\\Anna\\Start Menu\\Programs\\Prod\\Help.lnk"),
             F("C:\\Users\\Public\\Desktop\\Prod.lnk"),
             F("C:\\Users\\Anna\\AppData\\Microsoft\\Internet Explorer\\Quick Launch\\Prod.lnk"),
             F("C:\\Users\\Anna\\Documents\\Prod.lnk"), F("C:\\Users\\Anna\\Desktop.lnk")},
            kSelf,
            {"file C:\\Users\\Anna\\AppData\\Microsoft\\Internet Explorer\\Quick Launch\\Prod.lnk",
             "file C:\\Users\\Public\\Desktop\\Prod.lnk",
             "file C:\\Users\\Anna\\Start Menu\\Programs\\Prod\\Help.lnk",
             "file C:\\Users\\Anna\\Start Menu\\Prod.LNK",
             "file C:\\Users\\Anna\\Desktop\\Prod.lnk", kKey, kLog,
             "alone C:\\Users\\Anna\\Desktop.lnk", "alone C:\\Users\\Anna\\Documents\\Prod.lnk",
             "alone C:\\Users\\Anna\\Desktop\\notes.txt"}}),
    [](const testing::TestParamInfo<PlanCase>& info) { return info.param.name; });

}  // namespace
}  // namespace setup
