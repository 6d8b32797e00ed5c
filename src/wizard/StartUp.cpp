// The start-up sequence of the setup dialog, run once before its first page is painted.
#include <string>

#include "payload/PayloadReader.h"
#include "platform/Error.h"
#include "script/ScriptHeader.h"
#include "wizard/SetupDlg.h"

namespace setup {
namespace {

// GetUserNameA is called with room for 20 characters: a name of 20 or more does not fit.
constexpr std::size_t kLongestUserName = 19;

}  // namespace

void TMorvexDialog::FormShow() {
  FillDriveBox();
  LoadSetupScript(State, platform_.resources);
  ReadScriptHeader(State, platform_.session.DecimalSeparator());
  Controls.GermanBox.Enabled = State.LanguagesOffered.German;
  Controls.EnglishBox.Enabled = State.LanguagesOffered.English;
  Controls.FrenchBox.Enabled = State.LanguagesOffered.French;
  Controls.ActivePage = State.PreselectedLanguage == '*' ? "LanguagePage" : "WelcomePage";
  ReadAddOnCaptions(State);
  if (State.AddOnTicked) Controls.KorvaltCheckBox.Checked = true;
  LoadLicenceText();
  ReadUserName();
  Controls.DirectStartBox.Visible = !State.MainProgram.empty();
  switch (State.PreselectedLanguage) {
    case 'G':
      GermanBoxClick();
      break;
    case 'E':
      EnglishBoxClick();
      break;
    case 'F':
      FrenchBoxClick();
      break;
    default:
      return;
  }
  ChooseReadMeFile();
}

// Entry 0 is the licence text of all three languages; the reader stays behind it for the run.
void TMorvexDialog::LoadLicenceText() {
  std::optional<ByteSpan> data = platform_.resources.FindRcData("SetupData");
  if (!data) throw SetupError("Resource SetupData not found");
  State.Payload = std::make_unique<PayloadReader>(*data);
  MemorySink licence;
  State.Payload->NextEntry().InflateTo(licence);
  Controls.AllLicenceMemo.Text.assign(licence.bytes.begin(), licence.bytes.end());
}

void TMorvexDialog::ReadUserName() {
  const std::string name = platform_.session.LoginName();
  State.UserName = name.empty() || name.size() > kLongestUserName ? "<unknown>" : name;
}

}  // namespace setup
