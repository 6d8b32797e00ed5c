// Reading UnInstall.LOG: a well-formed log gives its product, language and records, its paths as
// the setup wrote them in whatever form its macros gave (where they lead is the plan's to judge);
// anything else is rejected with the reason and the line, so that nothing is removed.
#include <gtest/gtest.h>

#include "UninstallRecords.h"

namespace setup {
namespace {

struct DamageCase {
  const char* name;
  std::string bytes;
  LogDamage damage;
  int line;
};

class UninstallLogDamage : public testing::TestWithParam<DamageCase> {};

TEST_P(UninstallLogDamage, IsRejected) {
  const DamageCase& c = GetParam();
  LogReading reading = ReadUninstallLog(c.bytes);
  EXPECT_EQ(reading.damage, c.damage);
  EXPECT_EQ(reading.line, c.line);
  EXPECT_EQ(reading.product.has_value(), c.damage == LogDamage::None);
}

const std::string kHead = "NProd\r\nLG\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, UninstallLogDamage,
    testing::Values(
        DamageCase{"Complete", kHead + "DC:\\P\\\r\nFC:\\P\\a.txt\r\nXT5107\r\n", LogDamage::None,
                   0},
        DamageCase{"HeaderOnly", kHead, LogDamage::None, 0},
        DamageCase{"ServerPath", kHead + "F\\\\srv\\share\\a.txt\r\n", LogDamage::None, 0},
        DamageCase{"EmptyFile", "", LogDamage::NoProductRecord, 1},
        DamageCase{"CutBeforeLastLineEnd", kHead + "FC:\\P\\a", LogDamage::MissingLineEnd, 3},
        DamageCase{"CutBetweenCrAndLf", kHead + "FC:\\P\\a\r", LogDamage::BrokenLineEnd, 3},
        DamageCase{"LoneLf", "NProd\nLG\r\n", LogDamage::BrokenLineEnd, 1},
        DamageCase{"LoneCr", kHead + "FC:\\a\rFC:\\b\r\n", LogDamage::BrokenLineEnd, 3},
        DamageCase{"NulByte", kHead + std::string("FC:\\a\0b\r\n", 9), LogDamage::NulByte, 3},
        DamageCase{"LanguageFirst", "LG\r\nNProd\r\n", LogDamage::NoProductRecord, 1},
        DamageCase{"NoProductName", "N\r\nLG\r\n", LogDamage::NoProductRecord, 1},
        DamageCase{"OnlyProduct", "NProd\r\n", LogDamage::NoLanguageRecord, 2},
        DamageCase{"NoLanguage", "NProd\r\nDC:\\P\\\r\n", LogDamage::NoLanguageRecord, 2},
        DamageCase{"UnknownLanguage", "NProd\r\nLX\r\n", LogDamage::NoLanguageRecord, 2},
        DamageCase{"LowerCaseLanguage", "NProd\r\nlg\r\n", LogDamage::NoLanguageRecord, 2},
        DamageCase{"UnknownKind", kHead + "FC:\\a\r\nQC:\\b\r\n", LogDamage::UnknownKind, 4},
        DamageCase{"EmptyLine", kHead + "\r\nFC:\\a\r\n", LogDamage::UnknownKind, 3},
        DamageCase{"LowerCaseKind", kHead + "fC:\\a\r\n", LogDamage::UnknownKind, 3},
        DamageCase{"SecondProduct", kHead + "NOther\r\n", LogDamage::UnknownKind, 3},
        DamageCase{"SecondLanguage", kHead + "LE\r\n", LogDamage::UnknownKind, 3},
        DamageCase{"EmptyPath", kHead + "F\r\n", LogDamage::EmptyArgument, 3},
        DamageCase{"EmptyFolder", kHead + "D\r\n", LogDamage::EmptyArgument, 3},
        DamageCase{"EmptyExtension", kHead + "X\r\n", LogDamage::EmptyArgument, 3},
        DamageCase{"RelativeFile", kHead + "Fa\\a.txt\r\n", LogDamage::None, 0},
        DamageCase{"RootlessFile", kHead + "F\\P\\a.txt\r\nD\\\r\n", LogDamage::None, 0},
        DamageCase{"DotDotStep", kHead + "FC:\\P\\..\\W\\a\r\n", LogDamage::None, 0},
        DamageCase{"DotStepInFolder", kHead + "DC:\\P\\.\\\r\n", LogDamage::None, 0},
        DamageCase{"ForwardSlashes", kHead + "FC:/P/../../windows/system.ini\r\n", LogDamage::None,
                   0},
        DamageCase{"ForwardSlashAfterDrive", kHead + "FC:\\P/a.txt\r\n", LogDamage::None, 0},
        DamageCase{"TrailingDot", kHead + "FC:\\Windows\\regedit.exe.\r\n", LogDamage::None, 0},
        DamageCase{"TrailingBlank", kHead + "FC:\\Windows\\regedit.exe \r\n", LogDamage::None, 0},
        DamageCase{"TrailingDotOfFolderName", kHead + "DC:\\P.\\\r\n", LogDamage::None, 0},
        DamageCase{"LongPathPrefix", kHead + "F\\\\?\\C:\\Windows\\win.ini\r\n",
                   LogDamage::ForeignPathForm, 3},
        DamageCase{"DevicePrefix", kHead + "F\\\\.\\C:\\Windows\\win.ini\r\n",
                   LogDamage::ForeignPathForm, 3},
        DamageCase{"EmptyStep", kHead + "FC:\\P\\\\a.txt\r\n", LogDamage::None, 0},
        DamageCase{"StreamColon", kHead + "FC:\\P\\a.txt:x\r\n", LogDamage::ForeignPathForm, 3},
        DamageCase{"Wildcard", kHead + "FC:\\P\\*.txt\r\n", LogDamage::ForeignPathForm, 3},
        DamageCase{"DotDotServer", kHead + "F\\\\..\\share\\a.txt\r\n", LogDamage::ForeignPathForm,
                   3},
        DamageCase{"DeviceFile", kHead + "FC:\\P\\CON\r\n", LogDamage::DeviceName, 3},
        DamageCase{"DeviceWithExtension", kHead + "FC:\\P\\nul.txt\r\n", LogDamage::DeviceName, 3},
        DamageCase{"DeviceFolder", kHead + "DC:\\P\\com1\\\r\n", LogDamage::DeviceName, 3},
        DamageCase{"DeviceInTheMiddle", kHead + "FC:\\LPT1.x\\a\r\n", LogDamage::DeviceName, 3},
        DamageCase{"NoDeviceBut", kHead + "FC:\\P\\CONSOLE.txt\r\nFC:\\P\\COM10\r\n",
                   LogDamage::None, 0},
        DamageCase{"LongestPath", kHead + "FC:\\" + std::string(256, 'a') + "\r\n", LogDamage::None,
                   0},
        DamageCase{"TooLong", kHead + "FC:\\" + std::string(257, 'a') + "\r\n", LogDamage::None, 0},
        DamageCase{"StreamColonAfterFolding", kHead + "FC:/P/../a.txt:x\r\n",
                   LogDamage::ForeignPathForm, 3},
        DamageCase{"DeviceAfterFolding", kHead + "FC:\\P\\nul. \r\n", LogDamage::DeviceName, 3},
        DamageCase{"DriveRootFolder", kHead + "DC:\\\r\n", LogDamage::None, 0},
        DamageCase{"ShareRootFolder", kHead + "D\\\\srv\\share\\\r\n", LogDamage::None, 0},
        DamageCase{"ProductKeyPath", "N\\\r\nLG\r\n", LogDamage::BadProductName, 1},
        DamageCase{"ProductBelowAnother", "NOther\\Prod\r\nLG\r\n", LogDamage::BadProductName, 1},
        DamageCase{"ProductParent", "N..\r\nLG\r\n", LogDamage::BadProductName, 1},
        DamageCase{"FileNamingFolder", kHead + "FC:\\P\\\r\n", LogDamage::FileNamingFolder, 3},
        DamageCase{"FolderNoBackslash", kHead + "DC:\\P\r\n", LogDamage::FolderWithoutBackslash, 3},
        DamageCase{"ExtensionWithDot", kHead + "X.T5107\r\n", LogDamage::BadExtension, 3},
        DamageCase{"ExtensionWithKeyPath", kHead + "XT\\5107\r\n", LogDamage::BadExtension, 3}),
    [](const testing::TestParamInfo<DamageCase>& info) { return info.param.name; });

TEST(UninstallLog, KeepsRecordsInOrderWithLinesAndBytes) {
  LogReading reading = ReadUninstallLog(
      "NVELTRO 5107! V12 spécial\r\nLF\r\nDC:\\P\\\r\nFC:\\P\\ä.txt\r\nXT5107\r\n");
  ASSERT_TRUE(reading.product);
  EXPECT_EQ(reading.product->productName, "VELTRO 5107! V12 spécial");
  EXPECT_EQ(reading.product->language, LogLanguage::French);
  ASSERT_EQ(reading.product->records.size(), 3u);
  EXPECT_EQ(reading.product->records[0].kind, RecordKind::Folder);
  EXPECT_EQ(reading.product->records[1].argument, "C:\\P\\ä.txt");
  EXPECT_EQ(reading.product->records[1].line, 4);
  EXPECT_EQ(reading.product->records[2].kind, RecordKind::Association);
  EXPECT_EQ(reading.product->records[2].argument, "T5107");
}

TEST(UninstallLog, LanguageRecords) {
  struct Case {
    const char* record;
    LogLanguage language;
  } cases[] = {
      {"LG", LogLanguage::German}, {"LF", LogLanguage::French}, {"LE", LogLanguage::English}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.record);
    LogReading reading = ReadUninstallLog(std::string("NProd\r\n") + c.record + "\r\nX\r\n");
    EXPECT_EQ(reading.damage, LogDamage::EmptyArgument);
    // The language is known even when a later record is damaged, for the message.
    ASSERT_TRUE(reading.language);
    EXPECT_EQ(*reading.language, c.language);
  }
}

}  // namespace
}  // namespace setup
