#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "script/Paths.h"
#include "text/FolderPath.h"
#include "text/LanguageCode.h"
#include "text/ScriptText.h"
#include "text/Sha256.h"
#include "text/Utf8.h"

namespace setup {
namespace {

using Lines = std::vector<std::string>;

TEST(ScriptLines, SplitsByEveryLineBreakRule) {
  const struct {
    std::string text;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\n\rb", {"a", "", "b"}},  // LF CR is two breaks
      {"a\r\r\nb", {"a", "", "b"}},
      {"\r\n", {""}},
      {"\r\n\r\n", {"", ""}},
      {"\n\n\n", {"", "", ""}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\r", {"a"}},
      {std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}},
      {std::string("\0abc", 4), {}},
      {std::string("ab\r\0\n", 5), {"ab"}},
      {" a \t\r\n\xE4\xFC", {" a \t", "\xE4\xFC"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SplitScriptLines(c.text), c.lines) << "text: " << c.text;
  }
}

TEST(ScriptText, TakeFirstCharAndSplitFirst) {
  std::string text = "ab";
  EXPECT_EQ(TakeFirstChar(text), 'a');
  EXPECT_EQ(text, "b");
  EXPECT_EQ(TakeFirstChar(text), 'b');
  EXPECT_EQ(text, "");
  EXPECT_EQ(TakeFirstChar(text), '\0');
  EXPECT_EQ(text, "");

  std::string fields = "one;two;;three";
  const Lines expected = {"one", "two", "", "three", "", ""};
  for (const std::string& field : expected) EXPECT_EQ(SplitFirst(fields, ";"), field);
  EXPECT_EQ(fields, "");

  std::string noSeparator = "whole text";
  EXPECT_EQ(SplitFirst(noSeparator, "="), "whole text");
  EXPECT_EQ(noSeparator, "");

  std::string longSeparator = "a::b:c";
  EXPECT_EQ(SplitFirst(longSeparator, "::"), "a");
  EXPECT_EQ(longSeparator, "b:c");

  std::string caseSensitive = "aXbxc";
  EXPECT_EQ(SplitFirst(caseSensitive, "x"), "aXb");
  EXPECT_EQ(caseSensitive, "c");
}

TEST(ScriptText, UpperCasesOnlyAsciiLetters) {
  EXPECT_EQ(ToUpperAscii(std::string("abz AZ09 \xE4\xF6\xFC\xE9{`@[")),
            std::string("ABZ AZ09 \xE4\xF6\xFC\xE9{`@["));
  EXPECT_EQ(ToUpperAscii('a'), 'A');
  EXPECT_EQ(ToUpperAscii('z'), 'Z');
  EXPECT_EQ(ToUpperAscii('\xE4'), '\xE4');
  EXPECT_EQ(ToUpperAscii('\0'), '\0');
}

// Paths compare as Windows compares them: Unicode's upper case for every script, but no letter
// outside ASCII becomes an ASCII one, and the sharp s, which has no single upper case, stays.
TEST(Utf8Text, FoldsPathsByUnicodeUpperCase) {
  const struct {
    const char* text;
    const char* folded;
  } cases[] = {
      {"abz Jörg äüéàþ šœžÿ ÷ß {`@[09", "ABZ JÖRG ÄÜÉÀÞ ŠŒŽŸ ÷ß {`@[09"},
      {"C:\\Users\\Дмитрий\\ёж", "C:\\USERS\\ДМИТРИЙ\\ЁЖ"},
      {"αβγ ωΩ ς", "ΑΒΓ ΩΩ Σ"},
      {"łódź ŉ ǆ ǳ ő", "ŁÓDŹ ŉ Ǆ Ǳ Ő"},
      {"ｆｕｌｌ", "ＦＵＬＬ"},
      {"ı ſ", "ı ſ"},  // dotless i and long s stay apart from I and S
      {"日本語 😀", "日本語 😀"},
      {"\xE4\xFC", "\xE4\xFC"},  // broken bytes kept, so two different ones stay different
  };
  for (const auto& c : cases) EXPECT_EQ(FoldPathCase(c.text), c.folded) << c.text;
  EXPECT_EQ(FoldPathCase("C:\\Program Files\\Ärger"), FoldPathCase("c:\\PROGRAM FILES\\äRGER"));
  EXPECT_NE(FoldPathCase("\xE4"), FoldPathCase("\xC4"));
}

// The setup's texts decoded once: Windows-1252 unless a UTF-8 byte-order mark comes first.
TEST(Utf8Text, DecodesScriptTextsByTheirMark) {
  const struct {
    std::string bytes, text;
  } cases[] = {
      {"Gr\xF6\xDF"
       "e \x80 \x9C \x81",
       "Größe € œ \u0081"},
      {"\xEF\xBB\xBFДмитрий 日本", "Дмитрий 日本"},
      {"\xEF\xBB\xBF", ""},
      {"\xEF\xBB\xBF"
       "a\xFF"
       "b\xC3",
       "a\uFFFDb\uFFFD"},  // ill-formed: replaced, never passed on
      {"\xEF\xBB"
       "x",
       "ï»x"},  // no whole mark: Windows-1252
      {std::string("a\0\xE9", 3), std::string("a\0é", 4)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeScriptText(c.bytes), c.text) << c.bytes;
    EXPECT_TRUE(IsValidUtf8(DecodeScriptText(c.bytes)));
  }
  for (const char* bad : {"\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\x80"})
    EXPECT_FALSE(IsValidUtf8(bad)) << bad;
  EXPECT_TRUE(IsValidUtf8("ü € 😀"));
  EXPECT_EQ(Windows1252Of(U'€'), '\x80');
  EXPECT_EQ(Windows1252Of(U'Д'), std::nullopt);
}

// What a user sees is cut by characters, and Windows counts UTF-16 units.
TEST(Utf8Text, CountsAndCutsWholeCharacters) {
  const struct {
    const char* text;
    std::size_t characters, units;
    std::size_t cut;
    const char* first;
  } cases[] = {
      {"abc", 3, 3, 2, "ab"}, {"Größe", 5, 5, 3, "Grö"}, {"日本語", 3, 3, 2, "日本"},
      {"a😀b", 3, 4, 2, "a😀"}, {"ü", 1, 1, 0, ""},        {"äöü", 3, 3, 9, "äöü"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CharacterCount(c.text), c.characters) << c.text;
    EXPECT_EQ(Utf16Length(c.text), c.units) << c.text;
    EXPECT_EQ(FirstCharacters(c.text, c.cut), c.first) << c.text;
  }
}

// The one signed 32-bit reader: the header's S line and the integer registry values use it.
TEST(ScriptText, ParsesSigned32BitDecimals) {
  struct Case {
    const char* text;
    std::optional<std::int32_t> value;
  };
  const Case cases[] = {{"0", 0},
                        {"007", 7},
                        {"-0", 0},
                        {"+12", 12},
                        {"2147483647", 2147483647},
                        {"-2147483648", -2147483647 - 1},
                        {"2147483648", std::nullopt},
                        {"-2147483649", std::nullopt},
                        {"99999999999999999999", std::nullopt},
                        {"", std::nullopt},
                        {"-", std::nullopt},
                        {"+", std::nullopt},
                        {" 1", std::nullopt},
                        {"1 ", std::nullopt},
                        {"1e3", std::nullopt},
                        {"--1", std::nullopt}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseInt32(c.text), c.value);
  }
}

TEST(LanguageCodes, NormaliseNameAndAccept) {
  const struct {
    char code;
    char normal;
    char language;
  } codes[] = {
      {'G', 'G', 'G'},   {'g', 'G', 'G'}, {'D', 'G', 'G'},       {'d', 'G', 'G'}, {'E', 'E', 'E'},
      {'e', 'E', 'E'},   {'F', 'F', 'F'}, {'f', 'F', 'F'},       {'*', '*', '*'}, {' ', ' ', '*'},
      {'\0', '\0', '*'}, {'x', 'X', '*'}, {'\xE4', '\xE4', '*'},
  };
  for (const auto& c : codes) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(NormaliseLanguageCode(c.code), c.normal);
    EXPECT_EQ(LanguageOfCode(c.code), c.language);
  }
  const struct {
    char code;
    bool german, english, french;
  } accepts[] = {
      {'*', true, true, true},    {'G', true, false, false},   {'D', true, false, false},
      {'d', true, false, false},  {'e', false, true, false},   {'F', false, false, true},
      {' ', false, false, false}, {'\0', false, false, false}, {'X', false, false, false},
  };
  for (const auto& a : accepts) {
    SCOPED_TRACE(a.code);
    EXPECT_EQ(LanguageAccepts(a.code, 'G'), a.german);
    EXPECT_EQ(LanguageAccepts(a.code, 'E'), a.english);
    EXPECT_EQ(LanguageAccepts(a.code, 'F'), a.french);
  }
}

TEST(Paths, FolderPartKeepsTheLastBackslashOrColon) {
  const struct {
    const char* path;
    const char* folder;
  } cases[] = {
      {"C:\\Program Files\\VelV12\\DM.DAT", "C:\\Program Files\\VelV12\\"},
      {"C:\\x.txt", "C:\\"},
      {"C:x.txt", "C:"},
      {"x.txt", ""},
      {"", ""},
      {"a\\b\\", "a\\b\\"},
      {"\\\\server\\share\\f", "\\\\server\\share\\"},
      {"a/b", "a/"},
      {"C:\\Apps\\X\\fw/sub/b.dat", "C:\\Apps\\X\\fw/sub/"},
  };
  for (const auto& c : cases) EXPECT_EQ(FolderPart(c.path), c.folder) << c.path;
}

// Where the creation of a folder's parents climbs to: through runs of separators, never above a
// drive root or a UNC share.
TEST(FolderPath, ParentFolderTakesARunOfSeparatorsAsOne) {
  const struct {
    const char* folder;
    const char* parent;
  } cases[] = {
      {"C:\\New\\Sub", "C:\\New"},
      {"C:\\New\\\\Sub", "C:\\New"},
      {"C:\\New\\\\Sub\\\\", "C:\\New"},
      {"C:\\Program Files\\Engine\\\\x\\y", "C:\\Program Files\\Engine\\\\x"},
      {"C:\\Program Files\\Engine\\\\x", "C:\\Program Files\\Engine"},
      {"C:/New//Sub", "C:/New"},
      {"C:\\New", ""},
      {"C:\\New\\", ""},
      {"C:\\\\New", ""},
      {"C:\\", ""},
      {"C:", ""},
      {"C:New\\Sub", "C:New"},
      {"\\\\server\\share\\a\\\\b", "\\\\server\\share\\a"},
      {"\\\\server\\share\\a", ""},
      {"\\\\server\\share", ""},
      {"\\\\server\\share\\", ""},
      {"\\New\\Sub", "\\New"},
      {"\\New", ""},
      {"New\\Sub", "New"},
      {"New", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    EXPECT_EQ(ParentFolder(c.folder), c.parent);
  }
}

// The uninstaller deletes an entry only when the handle it opened on it ends where the log's
// path names it: a junction or link anywhere below the drive leads elsewhere.
TEST(FolderPath, FinalPathMatchesOnlyTheNamedPlace) {
  const struct {
    const char* entryFinal;
    const char* rootFinal;
    const char* full;
    bool matches;
  } cases[] = {
      {"\\\\?\\C:\\APPS\\X\\A.TXT", "\\\\?\\C:\\", "C:\\APPS\\X\\A.TXT", true},
      {"\\\\?\\C:\\APPS\\X", "\\\\?\\C:\\", "C:\\APPS\\X\\", true},
      {"\\\\?\\C:\\", "\\\\?\\C:\\", "C:\\", true},
      // a folder on the way, or the entry itself, is a junction to another place
      {"\\\\?\\C:\\WINDOWS\\WIN.INI", "\\\\?\\C:\\", "C:\\APPS\\X\\LINK\\WIN.INI", false},
      {"\\\\?\\C:\\OUTSIDE", "\\\\?\\C:\\", "C:\\APPS\\X\\LINK", false},
      {"\\\\?\\D:\\APPS\\X\\A.TXT", "\\\\?\\C:\\", "C:\\APPS\\X\\A.TXT", false},
      {"\\\\?\\C:\\APPS\\X\\A.TXT.BAK", "\\\\?\\C:\\", "C:\\APPS\\X\\A.TXT", false},
      {"\\\\?\\C:\\APPS\\X", "\\\\?\\C:\\", "C:\\APPS\\X\\A.TXT", false},
      // a substituted or mapped drive: the place is read from where its root leads
      {"\\\\?\\C:\\WORK\\APPS\\X\\A.TXT", "\\\\?\\C:\\WORK\\", "S:\\APPS\\X\\A.TXT", true},
      {"\\\\?\\UNC\\SRV\\SHARE\\APPS\\A.TXT", "\\\\?\\UNC\\SRV\\SHARE", "Z:\\APPS\\A.TXT", true},
      {"\\\\?\\UNC\\SRV\\SHARE\\APPS\\A.TXT", "\\\\?\\UNC\\SRV\\SHARE\\",
       "\\\\SRV\\SHARE\\APPS\\A.TXT", true},
      {"\\\\?\\UNC\\SRV\\OTHER\\APPS\\A.TXT", "\\\\?\\UNC\\SRV\\SHARE\\",
       "\\\\SRV\\SHARE\\APPS\\A.TXT", false},
      // nothing to compare with is never a match
      {"", "\\\\?\\C:\\", "C:\\APPS\\A.TXT", false},
      {"\\\\?\\C:\\APPS\\A.TXT", "", "C:\\APPS\\A.TXT", false},
      {"\\\\?\\C:\\APPS\\A.TXT", "\\\\?\\C:\\", "APPS\\A.TXT", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.full) + " opened as " + c.entryFinal);
    EXPECT_EQ(FinalPathMatches(c.entryFinal, c.rootFinal, c.full), c.matches);
  }
}

// The form every path the run creates is logged in, and that the uninstaller then accepts.
TEST(Paths, FoldPathAsWindowsFoldsIt) {
  const struct {
    const char* path;
    const char* folded;
  } cases[] = {
      {"C:\\Apps\\X\\a.txt", "C:\\Apps\\X\\a.txt"},
      {"C:/Apps/X/", "C:\\Apps\\X\\"},
      {"C:\\\\Apps\\\\X\\\\", "C:\\Apps\\X\\"},
      {"C:\\Menu\\Programs\\..\\Name.lnk", "C:\\Menu\\Name.lnk"},
      {"C:\\a\\.\\b\\.\\", "C:\\a\\b\\"},
      {"C:\\..\\..\\x", "C:\\x"},
      {"C:\\a\\..\\", "C:\\"},
      {"C:\\Apps\\X. \\regedit.exe.", "C:\\Apps\\X\\regedit.exe"},
      {"\\\\srv\\share\\..\\..\\x", "\\\\srv\\share\\x"},
      {"//srv/share/a//b", "\\\\srv\\share\\a\\b"},
      {"a\\..\\..\\b", "..\\b"},
      {"", ""},
      // the root of a path on the current drive, or relative to a drive's current folder
      {"\\x\\y", "\\x\\y"},
      {"\\", "\\"},
      {"\\readme.txt", "\\readme.txt"},
      {"\\vqx\\..\\..\\Prod2\\", "\\Prod2\\"},
      {"/x//y/", "\\x\\y\\"},
      {"C:x\\..\\y", "C:y"},
      {"C:", "C:"},
      {"C:..\\x", "C:..\\x"},
      {"C:x/./y", "C:x\\y"},
      {"\\\\server", "\\\\server"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(FoldPath(c.path), c.folded);
    EXPECT_EQ(FoldPath(c.folded), c.folded);
  }
}

// The FIPS 180-2 examples, fed in pieces of several sizes so the block buffering is crossed.
TEST(Sha256, StandardExamples) {
  struct Case {
    std::string text;
    const char* digest;
  };
  const Case cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Case& c : cases) {
    for (std::size_t piece : {1, 63, 64, 1000}) {
      SCOPED_TRACE(std::to_string(c.text.size()) + " bytes in pieces of " + std::to_string(piece));
      Sha256 sink;
      const auto* data = reinterpret_cast<const std::uint8_t*>(c.text.data());
      for (std::size_t at = 0; at < c.text.size(); at += piece) {
        sink.Append(data + at, std::min(piece, c.text.size() - at));
      }
      EXPECT_EQ(sink.HexDigest(), c.digest);
    }
    EXPECT_EQ(Sha256Hex(c.text), c.digest);
  }
}

}  // namespace
}  // namespace setup
