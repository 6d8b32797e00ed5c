#pragma once
// Loading the setup script, reading its first line and its eight header lines, and the scan for
// the add-on caption (T) lines.
#include <string>

#include "platform/Resources.h"
#include "script/SetupState.h"

namespace setup {

// Fills ScriptLines with the lines of the RCDATA resource "SetupInfo". Throws
// SetupError("Resource SetupInfo not found") when the module has no such resource.
void LoadSetupScript(SetupState& state, Resources& resources);

// Reads line 1 into LanguagesOffered (exact comparison: D or G, E, F at positions 1 to 3) and the
// eight header lines (D H M N S V) into the state, then removes the nine lines from ScriptLines.
// Throws SetupError naming the problem when the script has fewer than nine lines or an S value is
// not a signed 32-bit decimal integer (optional sign, digits only); ScriptLines is then left as it
// was. SizeText is FormatByteSize of the S value (as a float) with the given separator, plus "B".
void ReadScriptHeader(SetupState& state, const std::string& decimalSeparator);

// Scans ScriptLines (unchanged) for T lines of the identity's add-on key (compared exactly: case
// and blanks count): sets the caption of the line's language and AddOnTicked.
void ReadAddOnCaptions(SetupState& state);

}  // namespace setup
