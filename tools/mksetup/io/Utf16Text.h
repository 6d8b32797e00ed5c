#pragma once
// UTF-16, the form Windows keeps names and version texts in: NTFS orders a folder by its units,
// and a version resource holds its texts in it.
#include <string>
#include <string_view>

namespace setup::mksetup {

// The UTF-16 units of a UTF-8 text (an ill-formed byte as U+FFFD).
std::u16string Utf16Of(std::string_view utf8);

// The UTF-8 text of UTF-16 units; a surrogate without its partner becomes U+FFFD.
std::string Utf8OfUtf16(std::u16string_view units);

}  // namespace setup::mksetup
