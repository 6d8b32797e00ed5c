#pragma once
// Windows-1252 script and licence texts shown on a UTF-8 terminal or written as JSON.
#include <optional>
#include <string>

namespace setup::mksetup {

std::string Utf8From1252(const std::string& text);

// The UTF-16 unit of a Windows-1252 byte (the five unassigned ones as their C1 controls).
char16_t Utf16From1252(char byte);

// The Windows-1252 byte of a Unicode character; nothing for one the code page lacks.
std::optional<char> To1252(char32_t code);

// A JSON string literal (quotes included) of the text converted to UTF-8.
std::string JsonString(const std::string& text1252);

// A JSON string literal of text that is UTF-8 already (host paths, messages).
std::string JsonUtf8(const std::string& utf8);

}  // namespace setup::mksetup
