#pragma once
// The application's general error display: the message of an error that escaped a handler, in
// a message box with an OK button and the error icon, captioned with the application's title.
#include <string>

namespace setup {

inline constexpr const char* kApplicationTitle = "Setup";
inline constexpr unsigned kErrorBoxFlags = 0x10;  // MB_OK | MB_ICONERROR

// A full stop is put behind the message unless its last byte is a full stop or sorts before it
// (a quote mark, a blank); the empty message stays empty.
std::string ErrorDisplayText(const std::string& message);

}  // namespace setup
