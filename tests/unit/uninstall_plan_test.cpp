// The removal plan: reverse order, each target once, the uninstaller's own file and folders
// left to its copy, the registration and the log last.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RemovalPlan.h"
#include "platform/sim/SimRegistry.h"
#include "script/SystemFolders.h"

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
     "C:\\WINDOWS\\"},
    {"C:\\Program Files\\", "C:\\Users\\Anna\\AppData\\",
     "C:\\Users\\Anna\\Start Menu\\Programs\\"},
    {"ANNAS-PC"},
    {}};

// As ReadRemovalBounds reads them from a machine whose user alice keeps her profile on another
// drive, and whose carol has hers below the shared application data, where installations make
// their folders. The profile list holds them as Windows writes them: expanded or not.
RemovalBounds ProfilesMachineBounds() {
  SimRegistry registry;
  const auto set = [&](RegistryRoot root, const std::string& key, const char* name,
                       const char* value) {
    registry.CreateKey(root, key)->WriteString(name, value);
  };
  set(RegistryRoot::CurrentUser, kUserShellFolders, "AppData",
      "D:\\Profiles\\alice\\AppData\\Roaming");
  set(RegistryRoot::CurrentUser, kUserShellFolders, "Desktop", "D:\\Profiles\\alice\\Desktop");
  set(RegistryRoot::LocalMachine, kCommonShellFolders, "Common AppData", "C:\\ProgramData");
  set(RegistryRoot::LocalMachine, kCurrentVersionKey, "ProgramFilesDir", "C:\\Program Files");
  const std::string nt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  set(RegistryRoot::LocalMachine, nt, "SystemRoot", "C:\\Windows");
  const std::string list = nt + "\\ProfileList";
  set(RegistryRoot::LocalMachine, list, "ProfilesDirectory", "%SystemDrive%\\Users");
  set(RegistryRoot::LocalMachine, list + "\\S-1-5-18", "ProfileImagePath",
      "%systemroot%\\system32\\config\\systemprofile");
  set(RegistryRoot::LocalMachine, list + "\\S-1-5-21-7-7-7-1001", "ProfileImagePath",
      "D:\\Profiles\\alice");
  set(RegistryRoot::LocalMachine, list + "\\S-1-5-21-7-7-7-1002", "ProfileImagePath",
      "%SystemDrive%\\ProgramData\\Profiles\\carol");
  return ReadRemovalBounds(registry);
}

const RemovalBounds kProfilesMachine = ProfilesMachineBounds();

struct PlanCase {
  const char* name;
  std::vector<LogRecord> records;
  const char* uninstaller;
  std::vector<std::string> expected;
  const RemovalBounds* bounds = &kBounds;
};

class UninstallPlan : public testing::TestWithParam<PlanCase> {};

TEST_P(UninstallPlan, Steps) {
  const PlanCase& c = GetParam();
  InstalledProduct product{"Prod", LogLanguage::English, c.records};
  EXPECT_EQ(Describe(MakeRemovalPlan(product, c.uninstaller, *c.bounds)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UninstallPlan,
    testing::Values(
        PlanCase{"ReverseOrder",
                 {D("C:\\Program Files\\Q\\"), F("C:\\Program Files\\Q\\a"),
                  D("C:\\Program Files\\Q\\sub\\"), F("C:\\Program Files\\Q\\sub\\b"), X("T5107")},
                 kSelf,
                 {"assoc T5107", "file C:\\Program Files\\Q\\sub\\b",
                  "folder C:\\Program Files\\Q\\sub\\", "file C:\\Program Files\\Q\\a",
                  "folder C:\\Program Files\\Q\\", kKey, kLog}},
        PlanCase{
            "DuplicatesOnceAtTheirLastPlace",
            {F("C:\\P\\a"), F("C:\\P\\b"), F("c:\\p\\A"), X("T5107"), X("t5107"), D("C:\\P\\q\\"),
             D("C:\\p\\Q\\")},
            kSelf,
            {"folder C:\\p\\Q\\", "assoc t5107", "file c:\\p\\A", "file C:\\P\\b", kKey, kLog}},
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
                 {D("C:\\Program Files\\A\\B\\"), D("C:\\Program Files\\A\\"),
                  F("C:\\Program Files\\A\\B\\UnInstall.EXE")},
                 "C:\\Program Files\\A\\B\\UnInstall.EXE",
                 {kKey, "log C:\\Program Files\\A\\B\\UnInstall.LOG",
                  "self C:\\Program Files\\A\\B\\UnInstall.EXE",
                  "selffolder C:\\Program Files\\A\\B\\", "selffolder C:\\Program Files\\A\\"}},
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
        // A product folder lies below a folder where installations make theirs; elsewhere a D
        // record, even of a folder that may not exist, makes nothing removable.
        PlanCase{
            "ProductFoldersBelowTheirParents",
            {D("C:\\Program Files\\Vendor\\"), D("C:\\Program Files\\Vendor\\Tool\\"),
             F("C:\\Program Files\\Vendor\\Tool\\a"), D("C:\\Users\\Anna\\AppData\\Veltro\\"),
             F("C:\\Users\\Anna\\AppData\\Veltro\\b"),
             D("C:\\Users\\Anna\\Start Menu\\Programs\\Veltro\\"),
             F("C:\\Users\\Anna\\Start Menu\\Programs\\Veltro\\c.lnk")},
            kSelf,
            {"file C:\\Users\\Anna\\Start Menu\\Programs\\Veltro\\c.lnk",
             "folder C:\\Users\\Anna\\Start Menu\\Programs\\Veltro\\",
             "file C:\\Users\\Anna\\AppData\\Veltro\\b",
             "folder C:\\Users\\Anna\\AppData\\Veltro\\", "file C:\\Program Files\\Vendor\\Tool\\a",
             "folder C:\\Program Files\\Vendor\\Tool\\", "folder C:\\Program Files\\Vendor\\", kKey,
             kLog}},
        PlanCase{
            "FolderRecordsOutsideProductParentsGiveNothing",
            {D("C:\\Data\\"), D("C:\\Data\\Veltro\\"), F("C:\\Data\\Veltro\\a"),
             D("C:\\Users\\Anna\\Documents\\Veltro\\"), F("C:\\Users\\Anna\\Documents\\Veltro\\b"),
             D("C:\\Program Files\\"), F("C:\\Program Files\\Other\\o.exe")},
            kSelf,
            {kKey, kLog, "alone C:\\Program Files\\Other\\o.exe", "alone C:\\Program Files\\",
             "alone C:\\Users\\Anna\\Documents\\Veltro\\b",
             "alone C:\\Users\\Anna\\Documents\\Veltro\\", "alone C:\\Data\\Veltro\\a",
             "alone C:\\Data\\Veltro\\", "alone C:\\Data\\"}},
        // Windows' own file types are never the product's, whatever the log says.
        PlanCase{"SystemFileTypesLeftAlone",
                 {X("exe"), X("LNK"), X("txt"), X("Url"), X("T5107")},
                 kSelf,
                 {"assoc T5107", kKey, kLog, "alone Url", "alone txt", "alone LNK", "alone exe"}},
        // A server path to this machine's drives or to an administrative share is a system folder
        // under another name; a destination on a share keeps its own files.
        PlanCase{
            "LocalAndAdministrativeSharesLeftAlone",
            {D("\\\\localhost\\C$\\Windows\\"), F("\\\\localhost\\C$\\Windows\\win.ini"),
             F("\\\\127.0.0.1\\Users\\Anna\\Documents\\d.doc"), F("\\\\annas-pc\\C$\\P\\a"),
             F("\\\\Server\\ADMIN$\\win.ini"), F("\\\\Server\\d$\\P\\a"), F("C:\\P\\a")},
            kSelf,
            {"file C:\\P\\a", kKey, kLog, "alone \\\\Server\\d$\\P\\a",
             "alone \\\\Server\\ADMIN$\\win.ini", "alone \\\\annas-pc\\C$\\P\\a",
             "alone \\\\127.0.0.1\\Users\\Anna\\Documents\\d.doc",
             "alone \\\\localhost\\C$\\Windows\\win.ini", "alone \\\\localhost\\C$\\Windows\\"}},
        PlanCase{"DestinationOnAnAdministrativeShare",
                 {D("\\\\Server\\D$\\Apps\\P\\"), F("\\\\Server\\D$\\Apps\\P\\a"),
                  F("\\\\Server\\D$\\Windows\\win.ini"), F("\\\\Server\\C$\\Apps\\P\\b")},
                 "\\\\Server\\D$\\Apps\\P\\UnInstall.EXE",
                 {"file \\\\Server\\D$\\Apps\\P\\a", kKey,
                  "log \\\\Server\\D$\\Apps\\P\\UnInstall.LOG", "folder \\\\Server\\D$\\Apps\\P\\",
                  "alone \\\\Server\\C$\\Apps\\P\\b", "alone \\\\Server\\D$\\Windows\\win.ini"}},
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
             "alone C:\\Users\\Anna\\Desktop\\notes.txt"}},
        // Every user's profile is a system folder wherever it lies: a D record of one, or of a
        // folder holding one, makes nothing in it removable, while an installation in the
        // user's own application data, inside her profile, goes as always.
        PlanCase{
            "ProfilesOfTheProfileListLeftAlone",
            {D("D:\\Profiles\\alice\\AppData\\Roaming\\Veltro\\"),
             F("D:\\Profiles\\alice\\AppData\\Roaming\\Veltro\\a"),
             F("D:\\Profiles\\alice\\AppData\\Roaming\\Veltro\\UnInstall.EXE"),
             D("D:\\Profiles\\alice\\"), F("D:\\Profiles\\alice\\Documents\\thesis.doc"),
             D("C:\\ProgramData\\Profiles\\carol\\"),
             F("C:\\ProgramData\\Profiles\\carol\\Documents\\letter.doc"),
             D("C:\\ProgramData\\Profiles\\"), F("C:\\ProgramData\\Profiles\\carol\\NTUSER.DAT"),
             D("C:\\ProgramData\\Veltro\\"), F("C:\\ProgramData\\Veltro\\shared.dat")},
            "D:\\Profiles\\alice\\AppData\\Roaming\\Veltro\\UnInstall.EXE",
            {"file C:\\ProgramData\\Veltro\\shared.dat", "folder C:\\ProgramData\\Veltro\\",
             "file D:\\Profiles\\alice\\AppData\\Roaming\\Veltro\\a", kKey,
             "log D:\\Profiles\\alice\\AppData\\Roaming\\Veltro\\UnInstall.LOG",
             "self D:\\Profiles\\alice\\AppData\\Roaming\\Veltro\\UnInstall.EXE",
             "selffolder D:\\Profiles\\alice\\AppData\\Roaming\\Veltro\\",
             "alone C:\\ProgramData\\Profiles\\carol\\NTUSER.DAT",
             "alone C:\\ProgramData\\Profiles\\",
             "alone C:\\ProgramData\\Profiles\\carol\\Documents\\letter.doc",
             "alone C:\\ProgramData\\Profiles\\carol\\",
             "alone D:\\Profiles\\alice\\Documents\\thesis.doc", "alone D:\\Profiles\\alice\\"},
            &kProfilesMachine}),
    [](const testing::TestParamInfo<PlanCase>& info) { return info.param.name; });

}  // namespace
}  // namespace setup
