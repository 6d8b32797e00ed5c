#pragma once
// Texts written as JSON: every text mksetup holds is UTF-8 already (the script, licence and
// identity decoded where they were read, host paths, messages), so only the escapes remain.
#include <string>

namespace setup::mksetup {

// A JSON string literal (quotes included) of a UTF-8 text.
std::string JsonUtf8(const std::string& utf8);

}  // namespace setup::mksetup
