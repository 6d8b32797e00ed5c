#pragma once
// Text inside every program is UTF-8. Bytes from outside are decoded once, where they enter: the
// script, the licence and the identity resource from Windows-1252, or from UTF-8 when they begin
// with its byte-order mark. Lengths a user sees count characters and never split one.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "text/Bytes.h"

namespace setup {

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// A Windows-1252 text in UTF-8; the five codes the code page leaves unassigned become the C1
// controls Windows maps them to.
std::string Utf8From1252(std::string_view text);
// The UTF-16 unit of a Windows-1252 byte.
char16_t Utf16From1252(char byte);
// The Windows-1252 byte of a character; nothing for one the code page lacks.
std::optional<char> Windows1252Of(char32_t code);

// Whether the bytes are well-formed UTF-8: shortest forms, no surrogates, nothing past U+10FFFF.
bool IsValidUtf8(std::string_view text);
// The text with every ill-formed sequence replaced by U+FFFD, so that nothing downstream meets
// a broken character.
std::string ValidUtf8(std::string_view text);

// The script, licence and identity texts as the setup reads them: after a UTF-8 byte-order mark
// UTF-8 (the mark dropped), otherwise Windows-1252. A NUL byte still ends the text for the line
// splitter, which sees the decoded text.
bool HasUtf8ByteOrderMark(ByteSpan bytes);
std::string DecodeScriptText(ByteSpan bytes);
std::string DecodeScriptText(std::string_view bytes);

// Calls f(code, offset, length) for each character of a text that IsValidUtf8 accepts; a byte of
// an ill-formed sequence comes as U+FFFD of length 1.
template <typename F>
void ForEachCharacter(std::string_view text, F f);

void AppendUtf8(std::string& out, char32_t code);
// The number of characters, and the number of UTF-16 units Windows counts for the text.
std::size_t CharacterCount(std::string_view text);
std::size_t Utf16Length(std::string_view text);
// The first count characters of text, whole: never a part of one.
std::string FirstCharacters(std::string_view text, std::size_t count);

// A path as Windows compares it: every letter upper-cased by Unicode's simple mapping, as the file
// system's case table does (so "ä" and "Ä", "д" and "Д", "ω" and "Ω" match), except that no
// letter outside ASCII becomes an ASCII one ("ı" stays apart from "I"). ASCII letters fold alone
// as ToUpperAscii folds them.
std::string FoldPathCase(std::string_view text);
char32_t UpperCaseOf(char32_t code);

// ---- the template ----

namespace utf8_detail {
// The length and code of the well-formed sequence at text[at], or length 0.
std::size_t SequenceAt(std::string_view text, std::size_t at, char32_t& code);
}  // namespace utf8_detail

template <typename F>
void ForEachCharacter(std::string_view text, F f) {
  for (std::size_t at = 0; at < text.size();) {
    char32_t code = 0;
    std::size_t length = utf8_detail::SequenceAt(text, at, code);
    if (length == 0) {
      code = 0xFFFD;
      length = 1;
    }
    f(code, at, length);
    at += length;
  }
}

}  // namespace setup
