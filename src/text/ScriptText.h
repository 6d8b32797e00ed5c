#pragma once
// The primitives that every part uses to take script texts apart: the one line splitter, the
// first-character and first-field cuts, and ASCII-only upper-casing.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/Bytes.h"

namespace setup {

// Splits 8-bit text into lines: a line ends at CR LF, a lone CR or a lone LF; a NUL byte ends the
// whole text; a line break at the very end adds no empty line. Empty lines inside remain. Bytes
// are kept as they are (no trimming, no code page conversion).
std::vector<std::string> SplitScriptLines(ByteSpan bytes);
std::vector<std::string> SplitScriptLines(const std::string& text);

// Removes and returns the first character of text; the NUL character when text is empty.
char TakeFirstChar(std::string& text);

// Cuts off and returns the part of text before the first separator (exact byte comparison) and
// leaves the part after it; without a separator returns the whole text and leaves it empty.
std::string SplitFirst(std::string& text, const std::string& separator);

// Upper-cases the ASCII letters a to z only; every other byte (umlauts included) is kept. Code
// letters, language codes, file extensions and paths are compared this way.
char ToUpperAscii(char c);
std::string ToUpperAscii(std::string text);
// Whether two texts are the same but for the ASCII letter case.
bool SameIgnoringAsciiCase(std::string_view a, std::string_view b);

// A signed 32-bit decimal integer: an optional sign (- or +) and one or more digits, nothing else;
// empty when the text is anything else or the value lies outside the 32-bit range.
std::optional<std::int32_t> ParseInt32(const std::string& text);

}  // namespace setup
