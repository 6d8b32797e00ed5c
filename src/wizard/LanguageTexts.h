#pragma once
// Every text of the wizard in German, English and French: the relabelling of the controls and
// the texts that the navigation chooses when it shows them.
#include <string>

#include "script/SetupState.h"
#include "wizard/DialogControls.h"

namespace setup {

// The text with its first "%s" replaced by value; every other character is kept as it is.
std::string FormatOne(const std::string& templateText, const std::string& value);

// Sets every relabelled control's text in the language ('G', 'E' or 'F'), with the product name,
// version, size and user name filled in. The language buttons' own captions are not touched.
void RelabelControls(DialogControls& controls, const SetupState& state, char language);

// Texts chosen by language when they are shown, not by the relabelling.
struct WizardTexts {
  const char* forwardCaption;   // NextBtn before the summary
  const char* installCaption;   // NextBtn on the summary page
  const char* completionText;   // message after a completed run
  const char* finishedCaption;  // CancelBtn on the finish page
  const char* cancelSentence;   // "%s" is the product name; ends with two CRs
  const char* cancelQuestion;
  const char* cancelCaption;
  const char* nothingInstalled;    // finish page after a declined rights question
  const char* closeCaption;        // CancelBtn then
  const char* destinationCaption;  // Next with a destination that is no absolute folder
  const char* destinationText;
};

const WizardTexts& TextsFor(char language);

}  // namespace setup
