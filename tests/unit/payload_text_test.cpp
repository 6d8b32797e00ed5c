#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "payload/ByteSize.h"
#include "payload/DiskSpaceText.h"
#include "payload/LicenceText.h"

namespace setup {
namespace {

std::string SizeText(std::int64_t bytes, const std::string& separator) {
  return FormatByteSize(static_cast<float>(bytes), separator) + "B";
}

TEST(FormatByteSize, ByteCountTableWithBothSeparators) {
  const struct {
    std::int64_t bytes;
    const char* comma;
  } cases[] = {
      {0, "0 B"},
      {999, "999 B"},
      {1024, "1024 B"},
      {1025, "1 kB"},
      {1152, "1,13 kB"},
      {1536, "1,5 kB"},
      {10240, "10 kB"},
      {102400, "100 kB"},
      {102912, "100 kB"},
      {103936, "102 kB"},
      {1048576, "1024 kB"},
      {1048577, "1 MB"},
      {102981126, "98,2 MB"},
      {1073741825, "1024 MB"},
      {10737418240, "10 GB"},
      {-1, "-1 B"},
      // Beyond the table: rounding at each width and the last unit.
      {1, "1 B"},
      {99, "99 B"},
      {100, "100 B"},
      {101, "101 B"},
      {5, "5 B"},
      {1034, "1,01 kB"},    // 1.009765625
      {1029, "1 kB"},       // 1.0048828125 rounds to 1,00
      {1030, "1,01 kB"},    // 1.005859375
      {10291, "10 kB"},     // 10.0498046875
      {10292, "10,1 kB"},   // 10.05078125
      {10803, "10,5 kB"},   // 10.5498046875
      {102348, "99,9 kB"},  // 99.94921875
      {102349, "100 kB"},   // 99.9501953125 rounds up to 100,0
      {102350, "100 kB"},   // 99.951171875 rounds to 100,0
      {1125899906842624, "1024 TB"},
      {1125899906842625, "1024 TB"},
      {1152921504606846976, "1048576 TB"},
      {-1025, "-1025 B"},
      {-15, "-15 B"},
      {-1536, "-1536 B"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(SizeText(c.bytes, ","), c.comma);
    std::string point = c.comma;
    for (char& ch : point) ch = ch == ',' ? '.' : ch;
    EXPECT_EQ(SizeText(c.bytes, "."), point);
  }
}

TEST(FormatByteSize, HalvesBelowHundredGoAwayFromZeroOnTheExactValue) {
  const struct {
    float size;
    const char* text;
  } cases[] = {
      {1.125f, "1.13 "},  // an exact binary half goes away from zero
      {1.375f, "1.38 "}, {2.625f, "2.63 "},  {0.005f, "0 "},  // the float lies just below 0.005
      {0.015f, "0.01 "},                                      // just below 0.015
      {0.025f, "0.03 "},                                      // just above 0.025
      {10.25f, "10.3 "}, {10.75f, "10.8 "},  {-1.125f, "-1.13 "},
      {-0.001f, "-0 "},  {100.5f, "100 "},  // from 100 up ties go to even
      {101.5f, "102 "},  {1023.5f, "1024 "}, {1024.0f, "1024 "},
      {99.995f, "100 "},  // 99.99499... makes 100.0 with one decimal
      {1e-40f, "0 "},     // subnormal
  };
  for (const auto& c : cases) EXPECT_EQ(FormatByteSize(c.size, "."), c.text) << c.size;
}

TEST(FormatByteSize, OnlyCommaAndPointAreCutAtTheEnd) {
  EXPECT_EQ(FormatByteSize(1025.0f, ";"), "1; k");
  EXPECT_EQ(FormatByteSize(1536.0f, ";"), "1;5 k");
  EXPECT_EQ(FormatByteSize(1536.0f, "' "), "1' 5 k");
  EXPECT_EQ(FormatByteSize(0.0f, ""), "0 ");
  EXPECT_EQ(FormatByteSize(1536.0f, ""), "1.5 k");
}

TEST(FormatByteSize, NonFiniteSizesAreDefined) {
  EXPECT_EQ(FormatByteSize(std::numeric_limits<float>::infinity(), "."), "inf T");
  EXPECT_EQ(FormatByteSize(-std::numeric_limits<float>::infinity(), "."), "-inf ");
  EXPECT_EQ(FormatByteSize(std::numeric_limits<float>::quiet_NaN(), "."), "nan ");
  EXPECT_EQ(FormatByteSize(std::numeric_limits<float>::max(), "."),
            "309484991374600995015229440 T");
}

TEST(DiskSpaceTexts, SentenceInEachLanguage) {
  const DiskSpace space{1048577, 10737418240};
  const struct {
    char language;
    std::optional<DiskSpace> space;
    const char* sentence;
  } cases[] = {
      {'G', space, "1 MB von 10 GB Festplatten-Speicherplatz stehen zur Verfügung."},
      {'F', space, "1 MB de 10 GB place de mémoire de disque durs sont disponible."},
      {'E', space, "1 MB of 10 GB harddisc space is available."},
      {'*', space, "1 MB of 10 GB harddisc space is available."},
      {'E', std::nullopt, "-1 B of -1 B harddisc space is available."},
      {'G', DiskSpace{1536, 1152},
       "1,5 kB von 1,13 kB Festplatten-Speicherplatz stehen zur "
       "Verfügung."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sentence);
    const DiskSpaceTexts texts = MakeDiskSpaceTexts(c.space, c.language, ",");
    EXPECT_EQ(texts.Sentence, c.sentence);
  }
  const DiskSpaceTexts failed = MakeDiskSpaceTexts(std::nullopt, 'G', ",");
  EXPECT_EQ(failed.FreeSpaceText, "-1 B");
  EXPECT_EQ(failed.TotalSpaceText, "-1 B");
  const DiskSpaceTexts texts = MakeDiskSpaceTexts(DiskSpace{102981126, 1536}, 'E', ",");
  EXPECT_EQ(texts.FreeSpaceText, "98,2 MB");
  EXPECT_EQ(texts.TotalSpaceText, "1,5 kB");
}

// The stored layout: three sections of four paragraphs, each followed by an empty line.
std::string StoredLicence() {
  std::string text;
  for (const char* marker : {"GERMAN", "ENGLISH", "FRENCH"}) {
    text += std::string(marker) + "\r\n";
    for (int i = 1; i <= 4; ++i) text += std::string(marker, 2) + std::to_string(i) + "\r\n\r\n";
  }
  return text;
}

TEST(LicenceText, CutsTheSectionOfTheLanguage) {
  const std::string stored = StoredLicence();
  const struct {
    std::string all;
    char language;
    std::string shown;
  } cases[] = {
      {stored, 'G', "GE1\r\n\r\nGE2\r\n\r\nGE3\r\n\r\nGE4\r\n\r\n"},
      {stored, 'E', "EN1\r\n\r\nEN2\r\n\r\nEN3\r\n\r\nEN4\r\n\r\n"},
      {stored, 'F', "FR1\r\n\r\nFR2\r\n\r\nFR3\r\n\r\nFR4\r\n\r\n"},
      {stored, 'D', "GE1\r\n\r\nGE2\r\n\r\nGE3\r\n\r\nGE4\r\n\r\n"},
      // The own marker missing: the text before the first other marker.
      {"intro\r\nENGLISH\r\ne\r\nFRENCH\r\nf\r\n", 'G', "intro\r\n"},
      {"ENGLISH\r\ne\r\nFRENCH\r\nf\r\n", 'G', ""},
      // No marker at all: the whole text, every line ended by CR LF.
      {"a\nb\rc", 'E', "a\r\nb\r\nc\r\n"},
      {"", 'E', ""},
      // The own marker last, or the other markers only before it.
      {"GERMAN\r\ng\r\nENGLISH\r\ne\r\n", 'E', "e\r\n"},
      {"FRENCH\r\nf\r\nGERMAN\r\ng\r\nENGLISH\r\ne1\r\ne2\r\n", 'E', "e1\r\ne2\r\n"},
      // Other letter case counts; a blank or a colon does not.
      {"German\r\ng\r\nenglish\r\ne\r\n", 'G', "g\r\n"},
      {"GERMAN\r\ng\r\n ENGLISH\r\nENGLISH:\r\nFRENCH\r\nf\r\n", 'G',
       "g\r\n ENGLISH\r\nENGLISH:\r\n"},
      // The second occurrence of a marker stays in its section.
      {"GERMAN\r\ng\r\nGERMAN\r\ng2\r\nENGLISH\r\ne\r\n", 'G', "g\r\nGERMAN\r\ng2\r\n"},
      // A marker word inside a sentence is no marker.
      {"GERMAN\r\nsee the GERMAN text\r\nFRENCH\r\n", 'G', "see the GERMAN text\r\n"},
      // The next marker directly after the own one: an empty section.
      {"GERMAN\r\nENGLISH\r\ne\r\n", 'G', ""},
      {"x\r\nGERMAN", 'G', ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.all);
    EXPECT_EQ(SelectLicenceText(c.all, c.language), c.shown) << c.all << " / " << c.language;
  }
}

}  // namespace
}  // namespace setup
