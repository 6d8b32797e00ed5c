#pragma once
// The one way between the program's text and Windows': UTF-8 inside, UTF-16 at every call. An
// ...A function would read the text in the machine's code page instead, which cannot hold the
// names of every script.
#include <string>
#include <string_view>

namespace setup {

// An ill-formed sequence becomes U+FFFD, as in the rest of the program; nothing is dropped.
std::wstring Utf16FromUtf8(std::string_view text);
// A lone surrogate (a file name Windows allows but no text holds) becomes U+FFFD.
std::string Utf8FromUtf16(std::wstring_view text);
// Text in the machine's ANSI code page, as Windows' own table of it decodes it (a double-byte
// one included): only for files that programs of before wrote that way.
std::string Utf8FromAnsiCodePage(std::string_view bytes);

}  // namespace setup
