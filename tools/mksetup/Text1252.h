#pragma once
// Windows-1252 script and licence texts shown on a UTF-8 terminal or written as JSON.
#include <string>

namespace setup::mksetup {

std::string Utf8From1252(const std::string& text);

// A JSON string literal (quotes included) of the text converted to UTF-8.
std::string JsonString(const std::string& text1252);

}  // namespace setup::mksetup
