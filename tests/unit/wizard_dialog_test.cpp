#include <gtest/gtest.h>

#include <stdexcept>

#include "payload/PayloadReader.h"
#include "platform/Error.h"
#include "wizard/ErrorDisplay.h"
#include "wizard/InstallChoices.h"
#include "wizard/InstallationStep.h"
#include "wizard/LanguageTexts.h"
#include "wizard/SetupDlg.h"
#include "wizard/StartUp.h"
#include "wizard_fake_platform.h"

namespace setup {
namespace {

using wizard_test::FakeWindows;

const char* kLicence = "GERMAN\r\nDeutsch\r\nENGLISH\r\nEnglish\r\nFRENCH\r\nFrancais\r\n";

std::string Script(const std::string& nameLine, const std::string& extra = "") {
  return "GEF\r\n" + nameLine +
         "\r\nV(1.2)\r\nS1048577\r\nDvqx\\App\\\r\nH%SApp.exe\r\nMG%SLiesMich.txt\r\n"
         "ME%SReadMe.txt\r\nMF%SLisezMoi.txt\r\n" +
         extra + "F*%SApp.exe\r\n";
}

struct Fixture {
  FakeWindows windows;
  int runs = 0;
  bool declineRun = false;
  bool failRun = false;
  int inputDiscardsAtRun = -1;
  TMorvexDialog dialog{windows.platform, [this](SetupState&, DialogControls&, Platform&) {
                         ++runs;
                         inputDiscardsAtRun = windows.inputDiscards;
                         if (failRun) throw SetupError("Cannot create file C:\\x\\App.exe");
                         return declineRun;
                       }};
  explicit Fixture(const std::string& script = Script("N*Prod")) {
    windows.SetScript(script, kLicence);
  }
  void Next() { dialog.Handle(&TMorvexDialog::NextBtnClick); }
  void Back() { dialog.Handle(&TMorvexDialog::BackBtnClick); }
};

void WalkToSummary(Fixture& f, void (TMorvexDialog::*language)()) {
  f.dialog.Show();
  (f.dialog.*language)();
  f.Next();  // welcome
  f.Next();  // licence
  f.dialog.Controls.AgreeBox.Checked = true;
  f.dialog.AgreeBoxClick();
  f.Next();  // destination
  f.Next();  // icons
  f.Next();  // summary
}

TEST(WizardStartUp, OpensOnTheLanguagePageWithTheFormTexts) {
  Fixture f;
  f.dialog.Show();
  const DialogControls& c = f.dialog.Controls;
  EXPECT_STREQ(PageName(c.ActivePage), "LanguagePage");
  EXPECT_FALSE(c.NextBtn.Enabled);
  EXPECT_FALSE(c.BackBtn.Enabled);
  EXPECT_TRUE(c.CancelBtn.Enabled);
  EXPECT_EQ(c.CancelBtn.Text, "Cancel");
  EXPECT_FALSE(c.GermanBox.Checked || c.EnglishBox.Checked || c.FrenchBox.Checked);
  EXPECT_EQ(c.AllLicenceMemo.Text, kLicence);
  EXPECT_EQ(f.dialog.State.UserName, "anna");
  EXPECT_TRUE(c.DirectStartBox.Visible);
  EXPECT_FALSE(c.KorvaltCheckBox.Checked);
  EXPECT_EQ(f.dialog.State.Payload->Position(), f.windows.rcdata["SetupData"].size());
}

// The script and the licence reach the controls decoded: Windows-1252 bytes, or UTF-8 after
// its byte-order mark, so that names of any script show as the vendor wrote them.
TEST(WizardStartUp, ScriptAndLicenceAreDecodedByTheirMark) {
  const std::string bom = "\xEF\xBB\xBF";
  const struct {
    const char* name;
    std::string script, licence;
    const char* welcome;
    const char* licenceShown;
  } cases[] = {
      {"Windows1252", Script("N*Spezialit\xE4t"),
       "GERMAN\r\nF\xFCr Sch\xE4"
       "den\r\nENGLISH\r\nx\r\n",
       "Willkommen zum Spezialität Setup Assistenten.", "Für Schäden\r\n"},
      {"Utf8", bom + Script("N*製品 Дмитрий"), bom + "GERMAN\r\nГарантия 保証\r\nENGLISH\r\nx\r\n",
       "Willkommen zum 製品 Дмитрий Setup Assistenten.", "Гарантия 保証\r\n"},
      {"Utf8MarkOnScriptOnly", bom + Script("N*Größe"),
       "GERMAN\r\nGr\xF6\xDF"
       "e\r\n",
       "Willkommen zum Größe Setup Assistenten.", "Größe\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    f.windows.SetScript(c.script, c.licence);
    f.dialog.Show();
    f.dialog.Handle(&TMorvexDialog::GermanBoxClick);
    EXPECT_EQ(f.dialog.Controls.WelcomeLabel.Text, c.welcome);
    f.Next();  // to the welcome page
    f.Next();  // leaving it cuts the licence
    EXPECT_EQ(f.dialog.Controls.LizenzMemo.Text, c.licenceShown);
  }
}

TEST(WizardStartUp, PreselectedLanguageTLinesAndMissingHLine) {
  std::string script =
      "G\r\nNEProd\r\nV(1.2)\r\nS999\r\n\r\n\r\nMG%SLiesMich.txt\r\n\r\n\r\n"
      "TFKORVALT=Korvalt fran\xE7"
      "ais\r\n";  // the script's Windows-1252
  Fixture f(script);
  f.windows.login = std::string(20, 'x');
  f.dialog.Show();
  const DialogControls& c = f.dialog.Controls;
  EXPECT_STREQ(PageName(c.ActivePage), "WelcomePage");
  EXPECT_TRUE(c.GermanBox.Enabled);
  EXPECT_FALSE(c.EnglishBox.Enabled);
  EXPECT_TRUE(c.EnglishBox.Checked);  // applied although its button is disabled
  EXPECT_TRUE(c.NextBtn.Enabled);
  EXPECT_FALSE(c.BackBtn.Enabled);
  EXPECT_EQ(c.WelcomeLabel.Text, "Welcome to the Prod setup assistant.");
  EXPECT_EQ(c.InstallLabel.Text, "Setup will install \"Prod (1.2)\" on your computer.");
  EXPECT_EQ(c.OneUserBtn.Text, "Installation only for the current user ( <unknown> )");
  EXPECT_EQ(c.DiskSpaceLabel1.Text, "999 B harddisk space will be needed.");
  EXPECT_FALSE(c.DirectStartBox.Visible);
  EXPECT_TRUE(c.DirectStartBox.Checked);
  EXPECT_TRUE(c.KorvaltCheckBox.Checked);
  EXPECT_EQ(c.KorvaltCheckBox.Text, "Install Korvalt autorouter(demo version)");
  EXPECT_TRUE(f.dialog.State.ReadMeFile.empty());
  EXPECT_FALSE(c.ReadMeBox.Visible);
  f.dialog.Handle(&TMorvexDialog::FrenchBoxClick);
  EXPECT_EQ(c.KorvaltCheckBox.Text, "Korvalt français");
}

// The add-on box follows the vendor's identity: its key ticks it, its captions label it where no
// T line does (in the form's language before one is chosen), and the built-in key is any word.
TEST(WizardStartUp, TheIdentityNamesAndCaptionsTheAddOn) {
  const struct {
    const char* tLines;
    bool ticked;
    const char* german;
    const char* english;
    const char* french;
  } cases[] = {
      {"T*ADDON\r\nTFADDON=Module Acme\r\n", true, "Acme-Modul installieren",
       "Install the Acme module", "Module Acme"},
      {"TEKORVALT=Install Korvalt\r\n", false, "Acme-Modul installieren", "Install the Acme module",
       "Installer autorouteur Korvalt  (version demo)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tLines);
    Fixture f(Script("N*Prod", c.tLines));
    const std::string identity =
        "AddOnKey=ADDON\r\nAddOnCaptionGerman=Acme-Modul installieren\r\n"
        "AddOnCaptionEnglish=Install the Acme module\r\n";
    f.windows.rcdata["SetupIdentity"].assign(identity.begin(), identity.end());
    f.dialog.Show();
    const DialogControls& d = f.dialog.Controls;
    EXPECT_EQ(d.KorvaltCheckBox.Checked, c.ticked);
    EXPECT_EQ(d.KorvaltCheckBox.Text, c.german);
    f.dialog.Handle(&TMorvexDialog::EnglishBoxClick);
    EXPECT_EQ(d.KorvaltCheckBox.Text, c.english);
    f.dialog.Handle(&TMorvexDialog::FrenchBoxClick);
    EXPECT_EQ(d.KorvaltCheckBox.Text, c.french);
    f.dialog.Handle(&TMorvexDialog::GermanBoxClick);
    EXPECT_EQ(d.KorvaltCheckBox.Text, c.german);
  }
}

TEST(WizardStartUp, NineteenCharacterNameIsShownInFull) {
  Fixture f(Script("NGProd"));
  f.windows.login = std::string(19, 'n');
  f.dialog.Show();
  EXPECT_EQ(f.dialog.Controls.OneUserBtn.Text,
            "Installation nur für den angemeldeten Benutzer ( " + std::string(19, 'n') + " )");
  EXPECT_EQ(f.dialog.State.ReadMeFile, "%SLiesMich.txt");
}

TEST(WizardStartUp, MissingPayloadIsShownAndCloses) {
  Fixture f;
  f.windows.rcdata.erase("SetupData");
  f.dialog.Show();
  EXPECT_TRUE(f.dialog.Closed());
  ASSERT_EQ(f.windows.questions.size(), 1u);
  EXPECT_EQ(f.windows.questions[0].text, "Resource SetupData not found.");
  EXPECT_EQ(f.windows.questions[0].flags, kErrorBoxFlags);
}

// The one start-up that the dialog, mksetup run and the test programs share.
TEST(WizardStartUp, ReadSetupStartFillsTheStateAndGivesTheLicence) {
  const struct {
    const char* name;
    std::string script;
    std::string login;
    bool german, english, french;
    char preselected;
    const char* userName;
  } cases[] = {
      {"all three", Script("N*Prod"), "anna", true, true, true, '*', "anna"},
      {"German only, English preselected", "G" + Script("NEProd").substr(3), std::string(19, 'n'),
       true, false, false, 'E', "nnnnnnnnnnnnnnnnnnn"},
      {"name too long", Script("NFProd"), std::string(20, 'x'), true, true, true, 'F', "<unknown>"},
      {"no name", Script("N*Prod"), "", true, true, true, '*', "<unknown>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeWindows windows;
    windows.SetScript(c.script, kLicence);
    windows.login = c.login;
    SetupState state;
    EXPECT_EQ(ReadSetupStart(state, windows, windows), kLicence);
    EXPECT_EQ(state.LanguagesOffered.German, c.german);
    EXPECT_EQ(state.LanguagesOffered.English, c.english);
    EXPECT_EQ(state.LanguagesOffered.French, c.french);
    EXPECT_EQ(state.PreselectedLanguage, c.preselected);
    EXPECT_EQ(state.ProductName, "Prod");
    EXPECT_EQ(state.SizeText, "1 MB");
    EXPECT_EQ(state.UserName, c.userName);
    EXPECT_EQ(state.ScriptLines, std::vector<std::string>{"F*%SApp.exe"});
    ASSERT_TRUE(state.Payload);
    EXPECT_EQ(state.Payload->Position(), windows.rcdata["SetupData"].size());
  }
}

TEST(WizardStartUp, ReadSetupStartNamesAMissingResource) {
  for (const char* resource : {"SetupInfo", "SetupData"}) {
    SCOPED_TRACE(resource);
    FakeWindows windows;
    windows.SetScript(Script("N*Prod"), kLicence);
    windows.rcdata.erase(resource);
    SetupState state;
    try {
      ReadSetupStart(state, windows, windows);
      ADD_FAILURE() << "no error";
    } catch (const SetupError& error) {
      EXPECT_EQ(error.what(), std::string("Resource ") + resource + " not found");
    }
  }
}

InstallChoices Language(char language) {
  InstallChoices choices;
  choices.language = language;
  return choices;
}

InstallChoices Destination(const char* destination) {
  InstallChoices choices;
  choices.destination = destination;
  return choices;
}

// The choices of a run without windows are made through the wizard's own pages: what the
// wizard does not offer is refused, the rest ends on the summary page as a user leaves it.
TEST(WizardChoices, AppliedThroughThePagesOrRefused) {
  const struct {
    const char* name;
    std::string script;
    InstallChoices choices;
    const char* refused;
    char language;
  } cases[] = {
      {"preselected none: English", Script("N*Prod"), Language(0), "", 'E'},
      {"chosen on the language page", Script("N*Prod"), Language('F'), "", 'F'},
      {"D is German", Script("N*Prod"), Language('D'), "", 'G'},
      {"preselected", Script("NGProd"), Language(0), "", 'G'},
      {"preselected, disabled button", "F" + Script("NEProd").substr(3), Language('E'), "", 'E'},
      {"not offered", "GE" + Script("N*Prod").substr(3), Language('F'),
       "the script does not offer French (its first line offers German, English)", 0},
      {"other than preselected", Script("NGProd"), Language('E'),
       "the script preselects German, so the wizard offers no other language", 0},
      {"no language", Script("N*Prod"), Language('X'), "'X' names no language (G, E or F)", 0},
      {"destination without a drive", Script("N*Prod"), Destination("vqx\\App\\"),
       "the wizard stays on ProgramDestination", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f(c.script);
    f.dialog.FormShow();
    EXPECT_EQ(ApplyInstallChoices(f.dialog, c.choices), c.refused);
    const DialogControls& d = f.dialog.Controls;
    if (*c.refused) {
      EXPECT_STRNE(PageName(d.ActivePage), "SummaryPage");
      continue;
    }
    EXPECT_STREQ(PageName(d.ActivePage), "SummaryPage");
    EXPECT_EQ(LanguageInForce(d), c.language);
    EXPECT_EQ(d.DestinationEdit.Text, "C:\\vqx\\App\\");
    EXPECT_TRUE(d.OneUserBtn.Checked && !d.AllUserBtn.Checked);
    EXPECT_TRUE(d.DesktopBox.Checked && !d.QuickLaunchBox.Checked && !d.KorvaltCheckBox.Checked);
    EXPECT_EQ(f.runs, 0);
  }
}

TEST(WizardChoices, EveryBoxAndTheDestinationReachTheControls) {
  Fixture f(Script("N*Prod", "TEKORVALT=Extra\r\n"));
  f.dialog.FormShow();
  ASSERT_TRUE(f.dialog.Controls.KorvaltCheckBox.Checked);
  InstallChoices choices;
  choices.language = 'G';
  choices.allUsers = true;
  choices.destination = "D:\\Typed\\";
  choices.desktop = false;
  choices.quickLaunch = true;
  choices.addOn = false;
  ASSERT_EQ(ApplyInstallChoices(f.dialog, choices), "");
  const DialogControls& d = f.dialog.Controls;
  EXPECT_TRUE(d.GermanBox.Checked);
  EXPECT_TRUE(d.AllUserBtn.Checked && !d.OneUserBtn.Checked);
  EXPECT_EQ(d.DestinationEdit.Text, "D:\\Typed\\");
  EXPECT_FALSE(d.DesktopBox.Checked);
  EXPECT_TRUE(d.QuickLaunchBox.Checked);
  EXPECT_FALSE(d.KorvaltCheckBox.Checked);
  EXPECT_EQ(d.SummaryMemo.Items[7], "D:\\Typed\\");
  EXPECT_EQ(d.NextBtn.Text, "Installieren");
}

TEST(WizardChoices, AFolderTheWizardCannotOpenPassesThrough) {
  Fixture f;
  f.windows.folders.erase("C:\\");
  f.dialog.FormShow();
  EXPECT_THROW(ApplyInstallChoices(f.dialog, {}), SetupError);
  EXPECT_STREQ(PageName(f.dialog.Controls.ActivePage), "LicencePage");
}

TEST(WizardNavigation, WalkInEveryLanguage) {
  const struct {
    void (TMorvexDialog::*click)();
    const char* licence;
    const char* forward;
    const char* install;
    const char* completion;
    const char* finished;
    const char* readMe;
    const char* diskSentence;
    const char* invalidCaption;  // Next with a destination that is no absolute folder
    const char* invalidText;
  } cases[] = {
      {&TMorvexDialog::GermanBoxClick, "Deutsch\r\n", "Weiter >", "Installieren",
       "Installation abgeschlossen!", "Fertig!",
       "\"C:\\WINDOWS\\NOTEPAD.EXE\" \"C:\\d\\LiesMich.txt\"",
       "1 MB von 10 GB Festplatten-Speicherplatz stehen zur Verfügung.",
       "Ungültiges Zielverzeichnis",
       "Bitte geben Sie ein Verzeichnis mit Laufwerksbuchstaben (C:\\...) oder einen "
       "Netzwerkpfad (\\\\Server\\Freigabe) an."},
      {&TMorvexDialog::EnglishBoxClick, "English\r\n", "Next >", "Install",
       "Installation finished!", "Finished!", "\"C:\\WINDOWS\\NOTEPAD.EXE\" \"C:\\d\\ReadMe.txt\"",
       "1 MB of 10 GB harddisc space is available.", "Invalid destination directory",
       "Please enter a directory with a drive letter (C:\\...) or a network path "
       "(\\\\server\\share)."},
      {&TMorvexDialog::FrenchBoxClick, "Francais\r\n", "Continuer >", "Installer",
       "Installation fini!", "Fini!", "\"C:\\WINDOWS\\NOTEPAD.EXE\" \"C:\\d\\LisezMoi.txt\"",
       "1 MB de 10 GB place de mémoire de disque durs sont disponible.",
       "Répertoire de destination invalide",
       "Veuillez indiquer un répertoire avec une lettre de lecteur (C:\\...) ou un chemin "
       "réseau (\\\\serveur\\partage)."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.forward);
    Fixture f;
    f.dialog.Show();
    DialogControls& d = f.dialog.Controls;
    (f.dialog.*c.click)();
    EXPECT_TRUE(d.NextBtn.Enabled);
    EXPECT_EQ(d.NextBtn.Text, c.forward);
    f.Next();
    EXPECT_STREQ(PageName(d.ActivePage), "WelcomePage");
    EXPECT_TRUE(d.BackBtn.Enabled);
    f.Next();
    EXPECT_STREQ(PageName(d.ActivePage), "LicencePage");
    EXPECT_EQ(d.LizenzMemo.Text, c.licence);
    EXPECT_FALSE(d.NextBtn.Enabled);
    d.AgreeBox.Checked = true;
    f.dialog.AgreeBoxClick();
    EXPECT_TRUE(d.NextBtn.Enabled);
    f.Next();
    EXPECT_STREQ(PageName(d.ActivePage), "ProgramDestination");
    EXPECT_EQ(d.DestinationEdit.Text, "C:\\vqx\\App\\");
    EXPECT_EQ(d.DiskSpaceLabel2.Text, c.diskSentence);
    d.DestinationEdit.Text = "d\\";  // typed without its drive: refused
    f.Next();
    EXPECT_STREQ(PageName(d.ActivePage), "ProgramDestination");
    ASSERT_EQ(f.windows.questions.size(), 1u);
    EXPECT_EQ(f.windows.questions[0].caption, c.invalidCaption);
    EXPECT_EQ(f.windows.questions[0].text, c.invalidText);
    EXPECT_EQ(f.windows.questions[0].flags, 48u);
    f.windows.questions.clear();
    d.DestinationEdit.Text = "C:\\d\\";  // typed
    f.Next();
    EXPECT_STREQ(PageName(d.ActivePage), "IconPage");
    f.Next();
    EXPECT_STREQ(PageName(d.ActivePage), "SummaryPage");
    EXPECT_EQ(d.NextBtn.Text, c.install);
    EXPECT_EQ(d.SummaryMemo.Items[7], "C:\\d\\");
    f.Back();
    EXPECT_EQ(d.NextBtn.Text, c.forward);
    f.Next();
    f.Next();  // install
    EXPECT_EQ(f.runs, 1);
    EXPECT_STREQ(PageName(d.ActivePage), "FinishPage");
    EXPECT_EQ(d.ProgressBar.Position, 100);
    EXPECT_EQ(d.PercentLabel.Text, "100%");
    EXPECT_FALSE(d.NextBtn.Enabled);
    EXPECT_FALSE(d.BackBtn.Enabled);
    EXPECT_TRUE(d.CancelBtn.Enabled && d.CancelBtn.Default);
    EXPECT_EQ(d.CancelBtn.Text, c.finished);
    ASSERT_EQ(f.windows.questions.size(), 1u);
    EXPECT_EQ(f.windows.questions[0].text, c.completion);
    EXPECT_EQ(f.windows.questions[0].caption, "Prod");
    EXPECT_EQ(f.windows.questions[0].flags, 0u);
    // What was typed or clicked during the run is gone before the completion message opens.
    EXPECT_EQ(f.inputDiscardsAtRun, 0);
    EXPECT_EQ(f.windows.questions[0].inputDiscardsBefore, 1);
    // The run leaves MainProgram expanded; the finishing actions quote both paths.
    f.dialog.State.MainProgram = "C:\\d\\App.exe";
    f.dialog.State.DestinationFolder = "C:\\d\\";
    f.dialog.Handle(&TMorvexDialog::CancelBtnClick);
    EXPECT_TRUE(f.dialog.Closed());
    ASSERT_EQ(f.windows.starts.size(), 2u);
    EXPECT_EQ(f.windows.starts[0], "\"C:\\d\\App.exe\"");
    EXPECT_EQ(f.windows.starts[1], c.readMe);
  }
}

// The viewer is started by its full path, never by the bare name that Windows would first look
// for beside setup.exe: from the Windows folder, else from the system folder where only that
// one has it.
TEST(WizardNavigation, ReadMeViewerByFullPath) {
  const struct {
    const char* name;
    std::set<std::string> files;
    const char* viewer;
  } cases[] = {
      {"InWindowsFolder", {"C:\\WINDOWS\\NOTEPAD.EXE"}, "C:\\WINDOWS\\NOTEPAD.EXE"},
      {"InBoth",
       {"C:\\WINDOWS\\NOTEPAD.EXE", "C:\\WINDOWS\\system32\\NOTEPAD.EXE"},
       "C:\\WINDOWS\\NOTEPAD.EXE"},
      {"OnlyInSystemFolder",
       {"C:\\WINDOWS\\system32\\NOTEPAD.EXE"},
       "C:\\WINDOWS\\system32\\NOTEPAD.EXE"},
      {"Neither", {}, "C:\\WINDOWS\\NOTEPAD.EXE"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    f.windows.files = c.files;
    WalkToSummary(f, &TMorvexDialog::EnglishBoxClick);
    f.Next();  // install
    f.dialog.State.DestinationFolder = "C:\\d\\";
    f.dialog.Controls.ReadMeBox.Checked = true;
    f.dialog.Controls.DirectStartBox.Checked = false;
    f.dialog.Handle(&TMorvexDialog::CancelBtnClick);
    ASSERT_EQ(f.windows.starts.size(), 1u);
    EXPECT_EQ(f.windows.starts[0], std::string("\"") + c.viewer + "\" \"C:\\d\\ReadMe.txt\"");
  }
}

TEST(WizardNavigation, BackFromEveryPage) {
  Fixture f;
  WalkToSummary(f, &TMorvexDialog::GermanBoxClick);
  DialogControls& d = f.dialog.Controls;
  const struct {
    const char* page;
    bool next, back;
  } steps[] = {
      {"IconPage", true, true},    {"ProgramDestination", true, true}, {"LicencePage", false, true},
      {"WelcomePage", true, true}, {"LanguagePage", true, false},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.page);
    f.Back();
    EXPECT_STREQ(PageName(d.ActivePage), step.page);
    EXPECT_EQ(d.NextBtn.Enabled, step.next);
    EXPECT_EQ(d.BackBtn.Enabled, step.back);
  }
  EXPECT_FALSE(d.AgreeBox.Checked);
  EXPECT_TRUE(d.GermanBox.Checked);
  f.dialog.FrenchBoxClick();
  EXPECT_EQ(d.AgreeBox.Text, "J'accepte l'accord de permis");
  f.Next();
  f.Next();
  EXPECT_EQ(d.LizenzMemo.Text, "Francais\r\n");
  EXPECT_EQ(f.dialog.State.ReadMeFile, "%SLisezMoi.txt");
}

TEST(WizardNavigation, PreselectedLanguageNeverReachesTheLanguagePage) {
  Fixture f(Script("NFProd"));
  f.dialog.Show();
  DialogControls& d = f.dialog.Controls;
  EXPECT_FALSE(d.BackBtn.Enabled);  // the view sends no click to a disabled button
  f.Next();
  EXPECT_TRUE(d.BackBtn.Enabled);
  f.Back();
  EXPECT_STREQ(PageName(d.ActivePage), "WelcomePage");
  EXPECT_FALSE(d.BackBtn.Enabled);
}

TEST(WizardNavigation, SummaryHasTenOrTwelveLines) {
  for (bool ticked : {false, true}) {
    Fixture f;
    f.dialog.Show();
    f.dialog.EnglishBoxClick();
    f.Next();
    f.Next();
    f.dialog.Controls.AgreeBox.Checked = true;
    f.dialog.AgreeBoxClick();
    f.Next();
    f.Next();
    f.dialog.Controls.DesktopBox.Checked = ticked;
    f.dialog.Controls.QuickLaunchBox.Checked = ticked;
    f.Next();
    const auto& lines = f.dialog.Controls.SummaryMemo.Items;
    ASSERT_EQ(lines.size(), ticked ? 12u : 10u);
    EXPECT_EQ(lines[0], "Setup will install \"Prod (1.2)\" on your computer.");
    EXPECT_EQ(lines[1], "Install version in english language.");
    EXPECT_EQ(lines[2], "Installation only for the current user ( anna ).");
    EXPECT_EQ(lines[3], "1 MB harddisk space will be needed.");
    EXPECT_EQ(lines[5], "");
    EXPECT_EQ(lines[6], "Prod will be installed into the following directory:");
    EXPECT_EQ(lines[9], "Create program folder with icons in Windows start menu.");
    if (ticked) {
      EXPECT_EQ(lines[11], "Create program icon down in the quick launch bar.");
    }
  }
}

TEST(WizardNavigation, CancelAsksInTheLanguageInForce) {
  const struct {
    void (TMorvexDialog::*click)();
    const char* caption;
    bool answer;
  } cases[] = {
      {nullptr, "Exit Setup", true},
      {&TMorvexDialog::GermanBoxClick, "Setup abbrechen", false},
      {&TMorvexDialog::FrenchBoxClick, "Terminer l'installation", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    Fixture f;
    f.dialog.Show();
    if (c.click) (f.dialog.*c.click)();
    f.windows.answers = {c.answer};
    f.dialog.Handle(&TMorvexDialog::CancelBtnClick);
    ASSERT_EQ(f.windows.questions.size(), 1u);
    EXPECT_EQ(f.windows.questions[0].caption, c.caption);
    EXPECT_EQ(f.windows.questions[0].flags, 52u);
    EXPECT_NE(f.windows.questions[0].text.find("Prod"), std::string::npos);
    EXPECT_EQ(f.dialog.Closed(), c.answer);
  }
}

TEST(WizardInstallation, ErrorLeavesTheActionPageWithCancelAsDefault) {
  Fixture f;
  f.failRun = true;
  WalkToSummary(f, &TMorvexDialog::EnglishBoxClick);
  f.Next();
  const DialogControls& d = f.dialog.Controls;
  EXPECT_STREQ(PageName(d.ActivePage), "ActionPage");
  EXPECT_TRUE(d.CancelBtn.Enabled && d.CancelBtn.Default);
  EXPECT_FALSE(d.NextBtn.Enabled || d.NextBtn.Default || d.BackBtn.Enabled);
  ASSERT_EQ(f.windows.questions.size(), 1u);
  EXPECT_EQ(f.windows.questions[0].caption, kApplicationTitle);
  EXPECT_EQ(f.windows.questions[0].text, "Cannot create file C:\\x\\App.exe.");
  EXPECT_EQ(f.windows.questions[0].flags, kErrorBoxFlags);
  EXPECT_EQ(f.windows.questions[0].inputDiscardsBefore, 1);
  EXPECT_GE(f.windows.repaints, 1);
}

TEST(WizardInstallation, DeclinedRightsQuestionSaysNothingWasInstalled) {
  Fixture f;
  f.declineRun = true;
  WalkToSummary(f, &TMorvexDialog::GermanBoxClick);
  f.Next();
  const DialogControls& d = f.dialog.Controls;
  EXPECT_TRUE(f.dialog.NothingInstalled());
  EXPECT_STREQ(PageName(d.ActivePage), "FinishPage");
  EXPECT_EQ(d.FinishLabel.Text,
            "Die Installation wurde nicht durchgeführt. Es wurde nichts installiert.");
  EXPECT_FALSE(d.ReadMeBox.Visible || d.DirectStartBox.Visible || d.NoBootLabel.Visible);
  EXPECT_TRUE(f.windows.questions.empty());  // no completion message
  EXPECT_EQ(f.windows.inputDiscards, 1);     // nothing queued presses the close button
  f.dialog.Handle(&TMorvexDialog::CancelBtnClick);
  EXPECT_TRUE(f.dialog.Closed());
  EXPECT_TRUE(f.windows.starts.empty());
}

TEST(WizardInstallation, EngineRunDeclinedByTheUserLeadsToTheNothingInstalledPage) {
  FakeWindows windows;
  windows.SetScript(Script("N*Prod"), kLicence);
  windows.admin = false;
  TMorvexDialog dialog(windows.platform, EngineInstallationRun());
  dialog.Show();
  dialog.EnglishBoxClick();
  for (const char* page :
       {"WelcomePage", "LicencePage", "ProgramDestination", "IconPage", "SummaryPage"}) {
    if (dialog.Controls.ActivePage == Page::Licence) dialog.Controls.AgreeBox.Checked = true;
    dialog.Handle(&TMorvexDialog::NextBtnClick);
    EXPECT_STREQ(PageName(dialog.Controls.ActivePage), page);
  }
  windows.answers = {false};  // Cancel in the administrator question
  dialog.Handle(&TMorvexDialog::NextBtnClick);
  ASSERT_EQ(windows.questions.size(), 1u);
  EXPECT_EQ(windows.questions[0].caption, "Administrator privileges missing");
  EXPECT_TRUE(dialog.NothingInstalled());
  EXPECT_STREQ(PageName(dialog.Controls.ActivePage), "FinishPage");
  EXPECT_EQ(dialog.Controls.CancelBtn.Text, "Close");
}

TEST(WizardDestination, DriveAndDirectoryChanges) {
  Fixture f;
  f.windows.drives.push_back("E:\\");  // not even its root can be entered
  WalkToSummary(f, &TMorvexDialog::EnglishBoxClick);
  f.Back();
  f.Back();
  DialogControls& d = f.dialog.Controls;
  ASSERT_STREQ(PageName(d.ActivePage), "ProgramDestination");
  EXPECT_EQ(d.DestinationDirectoryBox.Items, (std::vector<std::string>{"C:\\", "Program Files"}));
  d.DestinationEdit.Text = "typed";
  f.dialog.OpenDirectoryItem(1);
  EXPECT_EQ(d.DestinationDirectoryBox.Text, "C:\\Program Files");
  EXPECT_EQ(d.DestinationEdit.Text, "C:\\Program Files\\vqx\\App\\");
  f.dialog.ChooseDrive(1);  // D: has no medium
  EXPECT_EQ(d.DiskSpaceLabel2.Text, "-1 B of -1 B harddisc space is available.");
  EXPECT_EQ(d.DestinationEdit.Text, "D:\\vqx\\App\\");
  // The box, the list and the edit box move together, also to a drive that cannot be entered.
  f.dialog.ChooseDrive(0);
  f.dialog.OpenDirectoryItem(1);
  ASSERT_EQ(d.DestinationEdit.Text, "C:\\Program Files\\vqx\\App\\");
  f.dialog.ChooseDrive(2);
  EXPECT_EQ(d.DestinationDriveBox.Text, "E:\\");
  EXPECT_EQ(d.DestinationDirectoryBox.Text, "E:\\");
  EXPECT_EQ(d.DestinationDirectoryBox.Items, std::vector<std::string>{"E:\\"});
  EXPECT_EQ(d.DestinationDirectoryBox.ItemIndex, 0);
  EXPECT_EQ(d.DestinationEdit.Text, "E:\\vqx\\App\\");
  EXPECT_TRUE(f.windows.questions.empty());
  f.Next();
  f.Next();
  ASSERT_STREQ(PageName(d.ActivePage), "SummaryPage");
  EXPECT_EQ(d.SummaryMemo.Items[4], "-1 B of -1 B harddisc space is available.");
  EXPECT_EQ(d.SummaryMemo.Items[7], "E:\\vqx\\App\\");
}

// Only a folder with its drive or its network share may be left for the icon page; anything
// else would be taken against the current drive or folder when the run starts.
TEST(WizardDestination, NextNeedsAFolderWithItsDriveOrShare) {
  const struct {
    const char* typed;
    bool accepted;
  } cases[] = {
      {"C:\\d\\", true},
      {"c:\\", true},
      {"Z:\\a b\\c", true},
      {"\\\\srv\\share", true},
      {"\\\\srv\\share\\App\\", true},
      {"C:/d/", true},
      {"C:/Apps/X", true},
      {"c:/", true},
      {"C:\\Apps/X", true},
      {"", false},
      {"d\\", false},
      {"\\d\\", false},
      {"C:", false},
      {"C:d\\", false},
      {"C:d/", false},
      {"/d/", false},
      {" C:\\d", false},
      {"1:\\d", false},
      {"\\\\srv", false},
      {"\\\\srv\\", false},
      {"\\\\\\share\\d", false},
      {"\\\\.\\C:\\d", false},
      {"\\\\?\\C:\\d", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    Fixture f;
    WalkToSummary(f, &TMorvexDialog::EnglishBoxClick);
    f.Back();
    f.Back();
    DialogControls& d = f.dialog.Controls;
    ASSERT_STREQ(PageName(d.ActivePage), "ProgramDestination");
    d.DestinationEdit.Text = c.typed;
    f.Next();
    EXPECT_STREQ(PageName(d.ActivePage), c.accepted ? "IconPage" : "ProgramDestination");
    EXPECT_EQ(f.windows.questions.size(), c.accepted ? 0u : 1u);
    EXPECT_EQ(d.DestinationEdit.Text, c.typed);  // kept for the user to mend
  }
}

TEST(WizardErrorDisplay, FullStopRule) {
  const struct {
    const char* message;
    const char* shown;
  } cases[] = {
      {"data error", "data error."},
      {"ends.", "ends."},
      {"'x' is not a valid integer value", "'x' is not a valid integer value."},
      {"Failed to set data for 'v'", "Failed to set data for 'v'"},  // quote sorts before '.'
      {"trailing blank ", "trailing blank "},
      {"", ""},
      {"café", "café."},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorDisplayText(c.message), c.shown) << c.message;
}

}  // namespace
}  // namespace setup
