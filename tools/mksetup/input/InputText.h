#pragma once
// The encoding of a script, licence or identity file. The setup reads one that begins with
// UTF-8's byte-order mark as UTF-8 and any other as Windows-1252, so a file saved as UTF-8
// without the mark, or as UTF-16, installs wrong names and shows wrong texts. check names the
// encoding; --input-encoding utf-8 converts an unmarked UTF-8 file instead.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "check/Findings.h"

namespace setup::mksetup {

// Windows1252: the file as it is (Windows-1252, or UTF-8 after the byte-order mark);
// Utf8: --input-encoding utf-8, a UTF-8 file with or without the mark.
enum class InputEncoding { Windows1252, Utf8 };

// Throws ToolError("usage: ...") for a name other than windows-1252 and utf-8.
InputEncoding ParseInputEncoding(const std::string& name);

// Findings (code "encoding") for a file the setup would misread: a UTF-16 one, an unmarked one
// that is UTF-8 with non-ASCII characters (the first such line), or one marked as UTF-8 with
// ill-formed sequences in it (each line that has one). file names the finding's file (empty:
// the script); what is "script" or "licence".
std::vector<Finding> EncodingFindings(const std::vector<std::uint8_t>& bytes,
                                      const std::string& file, const std::string& what);

// "U+0414"
std::string CodePoint(char32_t code);

// The text in Windows-1252 when the code page has every one of its characters; otherwise
// nothing, and missing (when given) names the first character it lacks.
std::optional<std::string> In1252(std::string_view utf8, char32_t* missing = nullptr);

// The bytes the setup reads back as this UTF-8 text: Windows-1252 when every character fits
// (what a script of Western letters always was), else UTF-8 after the byte-order mark.
std::string StoredText(std::string_view utf8);

struct ConvertedText {
  std::vector<std::uint8_t> bytes;  // as the setup gets them (StoredText)
  std::vector<Finding> findings;    // ill-formed UTF-8, by line and column
  // Set when a character outside Windows-1252 made it UTF-8 with the mark: what to tell the
  // vendor after the file's name.
  std::string note;
};

// A UTF-8 file (a byte-order mark optional) as it is to be stored.
ConvertedText ConvertUtf8Input(const std::vector<std::uint8_t>& utf8, const std::string& file);

// The file's bytes as the setup must get them: read whole, converted when it is UTF-8. Throws
// ToolError when it cannot be read or (UTF-8) is ill-formed. note, when given, gets the
// conversion's note.
std::vector<std::uint8_t> ReadInputText(const std::string& path, InputEncoding encoding,
                                        std::string* note = nullptr);

}  // namespace setup::mksetup
