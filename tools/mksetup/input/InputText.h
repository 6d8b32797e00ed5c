#pragma once
// The encoding of a script or licence file: the setup reads both byte for byte as Windows-1252,
// so a file saved as UTF-8 or UTF-16 installs wrong names and shows wrong texts. check names the
// encoding; --input-encoding utf-8 converts such a file instead.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "check/Findings.h"

namespace setup::mksetup {

enum class InputEncoding { Windows1252, Utf8 };

// Throws ToolError("usage: ...") for a name other than windows-1252 and utf-8.
InputEncoding ParseInputEncoding(const std::string& name);

// Findings (code "encoding") for a file that is not Windows-1252 text: a UTF-8 or UTF-16
// byte-order mark, UTF-16 without one, or UTF-8 with non-ASCII characters (the first such line).
// file names the finding's file (empty: the script); what is "script" or "licence".
std::vector<Finding> EncodingFindings(const std::vector<std::uint8_t>& bytes,
                                      const std::string& file, const std::string& what);

struct ConvertedText {
  std::vector<std::uint8_t> bytes;  // Windows-1252, byte-order mark dropped
  std::vector<Finding> findings;    // characters outside Windows-1252, by line and column
};

ConvertedText ConvertUtf8To1252(const std::vector<std::uint8_t>& utf8, const std::string& file);

// A host file name as the script writes it: UTF-8 (a tree made on Linux) converted, other bytes
// (a tree copied from Windows) taken as Windows-1252 already. Nothing when a UTF-8 character has
// no Windows-1252 form; missing then names it ("U+0142").
std::optional<std::string> NameIn1252(const std::string& hostName, std::string& missing);

// The file's bytes as the setup must get them: read whole, converted when it is UTF-8. Throws
// ToolError when it cannot be read or (UTF-8) holds what Windows-1252 cannot.
std::vector<std::uint8_t> ReadInputText(const std::string& path, InputEncoding encoding);

}  // namespace setup::mksetup
