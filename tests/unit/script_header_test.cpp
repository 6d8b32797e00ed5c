#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "script/ScriptHeader.h"
#include "script/VendorIdentity.h"
#include "text/ScriptText.h"

namespace setup {
namespace {

using Lines = std::vector<std::string>;

// The first line, eight header lines and one action line.
Lines Script(const std::string& first, Lines header) {
  Lines lines = {first};
  header.resize(8);
  lines.insert(lines.end(), header.begin(), header.end());
  lines.push_back("F*%SDM.DAT");
  return lines;
}

void ReadHeader(SetupState& state, Lines lines, const std::string& separator = ".") {
  state.ScriptLines = std::move(lines);
  ReadScriptHeader(state, separator);
}

TEST(ScriptHeader, FirstLineOffersLanguagesByPosition) {
  const struct {
    const char* line;
    bool german, english, french;
  } cases[] = {
      {"GEF", true, true, true},    {"DEF", true, true, true},  {"GE", true, true, false},
      {"gef", false, false, false}, {"", false, false, false},  {"G", true, false, false},
      {" EF", false, true, true},   {"GEFX", true, true, true}, {"EGF", false, false, true},
      {"**F", false, false, true},  {"dEF", false, true, true}, {"G F", true, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    SetupState state;
    ReadHeader(state, Script(c.line, {}));
    EXPECT_EQ(state.LanguagesOffered.German, c.german);
    EXPECT_EQ(state.LanguagesOffered.English, c.english);
    EXPECT_EQ(state.LanguagesOffered.French, c.french);
  }
}

TEST(ScriptHeader, ReadsTheProductScriptHeader) {
  SetupState state;
  ReadHeader(state,
             Script("GEF", {"N*VELTRO 5107! V12 special", "V(12.5.0.114)", "S102981126",
                            "Dvqx\\VelV12\\special\\", "H%SVelV12.exe", "MG%SLiesMich.txt",
                            "ME%SReadMe.txt", "MF%SLisezMoi.txt"}),
             ",");
  EXPECT_EQ(state.ProductName, "VELTRO 5107! V12 special");
  EXPECT_EQ(state.PreselectedLanguage, '*');
  EXPECT_EQ(state.VersionText, "(12.5.0.114)");
  EXPECT_EQ(state.SizeText, "98,2 MB");
  EXPECT_EQ(state.DefaultSubFolder, "vqx\\VelV12\\special\\");
  EXPECT_EQ(state.MainProgram, "%SVelV12.exe");
  EXPECT_EQ(state.ReadMeGerman, "%SLiesMich.txt");
  EXPECT_EQ(state.ReadMeEnglish, "%SReadMe.txt");
  EXPECT_EQ(state.ReadMeFrench, "%SLisezMoi.txt");
  EXPECT_EQ(state.ScriptLines, Lines{"F*%SDM.DAT"});
}

// One header line (among seven empty ones) and the fields it should set.
TEST(ScriptHeader, HeaderLineTable) {
  const struct {
    Lines header;
    std::string productName, versionText, sizeText, defaultSubFolder, mainProgram;
    std::string readMeGerman, readMeEnglish, readMeFrench;
    char preselected;
  } cases[] = {
      {{"NGName"}, "Name", "", "", "", "", "", "", "", 'G'},
      {{"NgName"}, "Name", "", "", "", "", "", "", "", 'G'},
      {{"NDName"}, "Name", "", "", "", "", "", "", "", 'G'},
      {{"ndName"}, "Name", "", "", "", "", "", "", "", 'G'},
      {{"NEName"}, "Name", "", "", "", "", "", "", "", 'E'},
      {{"NfName"}, "Name", "", "", "", "", "", "", "", 'F'},
      {{"N Name"}, "Name", "", "", "", "", "", "", "", '*'},
      {{"NXName"}, "Name", "", "", "", "", "", "", "", '*'},
      {{"N"}, "", "", "", "", "", "", "", "", '*'},
      {{"NGFirst", "NESecond"}, "Second", "", "", "", "", "", "", "", 'E'},
      {{"NGFirst", "N*Second"}, "Second", "", "", "", "", "", "", "", '*'},
      {{"v 1.0 "}, "", " 1.0 ", "", "", "", "", "", "", '*'},
      {{"dFolder\\"}, "", "", "", "Folder\\", "", "", "", "", '*'},
      {{"h%Sx.exe"}, "", "", "", "", "%Sx.exe", "", "", "", '*'},
      {{"H"}, "", "", "", "", "", "", "", "", '*'},
      {{"MD%Sd.txt"}, "", "", "", "", "", "%Sd.txt", "", "", '*'},
      {{"mg%Sd.txt"}, "", "", "", "", "", "%Sd.txt", "", "", '*'},
      {{"Me%Se.txt"}, "", "", "", "", "", "", "%Se.txt", "", '*'},
      {{"MF%Sf.txt"}, "", "", "", "", "", "", "", "%Sf.txt", '*'},
      {{"M*%Sall.txt"}, "", "", "", "", "", "", "", "", '*'},
      {{"MX%Sx.txt", "M"}, "", "", "", "", "", "", "", "", '*'},
      {{"S0"}, "", "", "0 B", "", "", "", "", "", '*'},
      {{"s1025"}, "", "", "1 kB", "", "", "", "", "", '*'},
      {{"S-1"}, "", "", "-1 B", "", "", "", "", "", '*'},
      {{"S+1536"}, "", "", "1.5 kB", "", "", "", "", "", '*'},
      {{"S2147483647"}, "", "", "2 GB", "", "", "", "", "", '*'},
      {{"S-2147483648"}, "", "", "-2147483648 B", "", "", "", "", "", '*'},
      {{"S999", "S1152"}, "", "", "1.13 kB", "", "", "", "", "", '*'},
      {{"", "X", "Qsomething", "F*%SDM.DAT"}, "", "", "", "", "", "", "", "", '*'},
      {{"D*%Aprojects\\"}, "", "", "", "*%Aprojects\\", "", "", "", "", '*'},
  };
  for (const auto& c : cases) {
    SetupState state;
    ReadHeader(state, Script("GEF", c.header));
    const std::string where = c.header[0];
    SCOPED_TRACE(where);
    EXPECT_EQ(state.ProductName, c.productName) << where;
    EXPECT_EQ(state.VersionText, c.versionText) << where;
    EXPECT_EQ(state.SizeText, c.sizeText) << where;
    EXPECT_EQ(state.DefaultSubFolder, c.defaultSubFolder) << where;
    EXPECT_EQ(state.MainProgram, c.mainProgram) << where;
    EXPECT_EQ(state.ReadMeGerman, c.readMeGerman) << where;
    EXPECT_EQ(state.ReadMeEnglish, c.readMeEnglish) << where;
    EXPECT_EQ(state.ReadMeFrench, c.readMeFrench) << where;
    EXPECT_EQ(state.PreselectedLanguage, c.preselected) << where;
    EXPECT_EQ(state.ScriptLines, Lines{"F*%SDM.DAT"}) << where;
  }
}

TEST(ScriptHeader, IsPositional) {
  // Seven header values and no empty eighth line: the first action line is read as a header line.
  SetupState state;
  ReadHeader(state, {"GEF", "N*P", "V1", "S10", "Dsub\\", "H%Sp.exe", "ME%Sr.txt", "M*x",
                     "D*%Aprojects\\", "F*%SDM.DAT"});
  EXPECT_EQ(state.DefaultSubFolder, "*%Aprojects\\");
  EXPECT_EQ(state.ScriptLines, Lines{"F*%SDM.DAT"});

  // Exactly nine lines leave no action lines.
  SetupState bare;
  ReadHeader(bare, Lines(9, ""));
  EXPECT_TRUE(bare.ScriptLines.empty());
  EXPECT_EQ(bare.PreselectedLanguage, '*');
}

TEST(ScriptHeader, RefusesAShortScriptOrABadSizeAndKeepsTheLines) {
  const struct {
    Lines lines;
    std::string message;
  } cases[] = {
      {{}, "has 0 lines"},
      {Lines(8, "x"), "has 8 lines"},
      {Script("GEF", {"S"}), "line 2: the S value \"\""},
      {Script("GEF", {"", "", "Sabc"}), "line 4: the S value \"abc\""},
      {Script("GEF", {"S12 "}), "line 2: the S value \"12 \""},
      {Script("GEF", {"S 12"}), "line 2"},
      {Script("GEF", {"S2147483648"}), "line 2"},
      {Script("GEF", {"S-2147483649"}), "line 2"},
      {Script("GEF", {"S99999999999999999999"}), "line 2"},
      {Script("GEF", {"S-"}), "line 2"},
      {Script("GEF", {"S1.5"}), "line 2"},
      {Script("GEF", {"S$10"}), "line 2"},
      {Script("GEF", {"", "", "", "", "", "", "", "S0x10"}), "line 9"},
      {Script("GEF", {"S" + std::string(50, '7')}),
       "line 2: the S value \"" + std::string(40, '7') + "...\" is not"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.lines));
    SetupState state;
    state.ScriptLines = c.lines;
    try {
      ReadScriptHeader(state, ".");
      ADD_FAILURE() << "no error for " << testing::PrintToString(c.lines);
    } catch (const SetupError& error) {
      EXPECT_NE(std::string(error.what()).find("The setup script is damaged"), std::string::npos);
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
    EXPECT_EQ(state.ScriptLines, c.lines);
  }
}

TEST(AddOnCaptions, TLineTable) {
  const struct {
    Lines lines;
    bool ticked;
    std::string german, english, french;
    std::string identity = "";  // the SetupIdentity resource's text
  } cases[] = {
      {{}, false, "", "", ""},
      {{"F*%SDM.DAT", "E*%Ssetup_Korvalt.exe "}, false, "", "", ""},
      {{"TEKORVALT=Install Korvalt"}, true, "", "Install Korvalt", ""},
      {{"teKORVALT=Install Korvalt"}, true, "", "Install Korvalt", ""},
      {{"T*KORVALT=ignored caption"}, true, "", "", ""},
      {{"TGKORVALT"}, true, "", "", ""},
      {{"TDKORVALT=Deutsch", "TfKORVALT=Français"}, true, "Deutsch", "", "Français"},
      {{"TEKORVALT=a=b=c"}, true, "", "a=b=c", ""},
      {{"TEKORVALT="}, true, "", "", ""},
      {{"TEkorvalt=x"}, false, "", "", ""},
      {{"TE KORVALT=x"}, false, "", "", ""},
      {{"TEKORVALT =x"}, false, "", "", ""},
      {{"TEOTHER=x"}, false, "", "", ""},
      {{"T"}, false, "", "", ""},
      {{"TXKORVALT=x"}, true, "", "", ""},
      {{"TEKORVALT=first", "TEKORVALT=second"}, true, "", "second", ""},
      {{"XEKORVALT=x", "", "TE"}, false, "", "", ""},
      {{"TEADDON=Extra", "TFKORVALT=x"}, true, "", "Extra", "", "AddOnKey=ADDON\r\n"},
      {{"TEKORVALT=x"}, false, "", "", "", "AddOnKey=ADDON\r\n"},
      {{"TEaddon=x"}, false, "", "", "", "AddOnKey=ADDON\r\n"},
  };
  for (const auto& c : cases) {
    SetupState state;
    state.Identity = ParseVendorIdentity(
        ByteSpan(reinterpret_cast<const std::uint8_t*>(c.identity.data()), c.identity.size()));
    state.ScriptLines = c.lines;
    ReadAddOnCaptions(state);
    const std::string where = testing::PrintToString(c.lines);
    SCOPED_TRACE(where);
    EXPECT_EQ(state.AddOnTicked, c.ticked) << where;
    EXPECT_EQ(state.AddOnCaptionGerman, c.german) << where;
    EXPECT_EQ(state.AddOnCaptionEnglish, c.english) << where;
    EXPECT_EQ(state.AddOnCaptionFrench, c.french) << where;
    EXPECT_EQ(state.ScriptLines, c.lines) << where;
  }
}

class FakeResources : public Resources {
 public:
  std::optional<ByteSpan> FindRcData(const std::string& name) override {
    const auto found = data.find(name);
    if (found == data.end()) return std::nullopt;
    return ByteSpan(reinterpret_cast<const std::uint8_t*>(found->second.data()),
                    found->second.size());
  }
  std::map<std::string, std::string> data;
};

TEST(LoadSetupScript, ReadsTheSetupInfoResource) {
  FakeResources resources;
  resources.data["SetupInfo"] = "GEF\r\nN*P\nV1\rS1\r\n\r\n\r\n\r\n\r\n\r\nF*%Sa\r\n";
  SetupState state;
  LoadSetupScript(state, resources);
  EXPECT_EQ(state.ScriptLines, (Lines{"GEF", "N*P", "V1", "S1", "", "", "", "", "", "F*%Sa"}));
  ReadScriptHeader(state, ".");
  ReadAddOnCaptions(state);
  EXPECT_EQ(state.ProductName, "P");
  EXPECT_EQ(state.ScriptLines, Lines{"F*%Sa"});
}

// The resource as the setup reads it: what it sets over the built-in identity, lines it does not
// read passed over, the uninstall values in the order they are written.
TEST(VendorIdentity, ResourceTable) {
  const VendorIdentity builtIn;
  const struct {
    const char* text;
    std::string folder, key, english;
    std::vector<std::string> uninstall;  // name=value, in order
  } cases[] = {
      {"", "VELTRO 5107!", "KORVALT", "Install Korvalt autorouter(demo version)", {}},
      {"StartMenuFolder=Acme\\Draw\r\nAddOnKey=ADDON\r\n",
       "Acme\\Draw",
       "ADDON",
       builtIn.addOnCaptionEnglish,
       {}},
      {"AddOnCaptionEnglish=a=b\nVersion=2.1.0.7\rCompanyName=Acme\r\n",
       "VELTRO 5107!",
       "KORVALT",
       "a=b",
       {}},
      {"NoRepair=1\r\nPublisher=Acme\r\nDisplayIcon=%Sp.exe,0\r\nPublisher=Later\r\n",
       "VELTRO 5107!",
       "KORVALT",
       builtIn.addOnCaptionEnglish,
       {"Publisher=Later", "DisplayIcon=%Sp.exe,0", "NoRepair=1"}},
      {"no equals sign\r\nstartmenufolder=x\r\n=y\r\nStartMenuFolder\0=z",
       "VELTRO 5107!",
       "KORVALT",
       builtIn.addOnCaptionEnglish,
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    FakeResources resources;
    if (*c.text) resources.data[kIdentityResource] = c.text;
    const VendorIdentity identity = ReadVendorIdentity(resources);
    EXPECT_EQ(identity.startMenuFolder, c.folder);
    EXPECT_EQ(identity.addOnKey, c.key);
    EXPECT_EQ(identity.AddOnCaption('E'), c.english);
    EXPECT_EQ(identity.AddOnCaption('G'), builtIn.addOnCaptionGerman);
    std::vector<std::string> uninstall;
    for (const UninstallValue& value : identity.uninstallValues) {
      uninstall.push_back(value.name + "=" + value.value);
      EXPECT_EQ(value.number, value.name == "NoRepair" || value.name == "EstimatedSize");
    }
    EXPECT_EQ(uninstall, c.uninstall);
  }
}

TEST(LoadSetupScript, FailsWithoutTheResource) {
  FakeResources resources;
  resources.data["SetupData"] = "x";
  SetupState state;
  try {
    LoadSetupScript(state, resources);
    FAIL() << "no error";
  } catch (const SetupError& error) {
    EXPECT_STREQ(error.what(), "Resource SetupInfo not found");
  }
}

}  // namespace
}  // namespace setup
