#pragma once
// Byte counts as short texts in steps of 1024 ("98.2 M"); callers append "B".
#include <string>

namespace setup {

// size is scaled by 1/1024 (stored back as a float) while it is greater than 1024, at most four
// times (units " ", " k", " M", " G", " T"). From 100 up the nearest integer is written (ties to
// even); below 100 two decimals (one from 10 up), rounded half away from zero on the float's
// exact value, the point replaced by decimalSeparator, trailing zeros and then one trailing ","
// or "." removed. An empty separator counts as ".". NaN and infinities are written "nan", "inf".
std::string FormatByteSize(float size, const std::string& decimalSeparator);

}  // namespace setup
