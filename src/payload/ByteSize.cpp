#include "payload/ByteSize.h"

#include <cmath>
#include <cstdint>

namespace setup {
namespace {

constexpr const char* kUnitSuffixes[] = {" ", " k", " M", " G", " T"};
constexpr int kLastUnit = 4;
constexpr float kUnitStep = 1.0f / 1024.0f;  // exact: a power of two

// The decimal digits of value * 2^shift, for shifts too large for 64 bits.
std::string ShiftedDecimal(std::uint64_t value, int shift) {
  std::string digits = std::to_string(value);
  for (int i = 0; i < shift; ++i) {
    int carry = 0;
    for (auto digit = digits.rbegin(); digit != digits.rend(); ++digit) {
      const int doubled = (*digit - '0') * 2 + carry;
      *digit = static_cast<char>('0' + doubled % 10);
      carry = doubled / 10;
    }
    if (carry > 0) digits.insert(digits.begin(), static_cast<char>('0' + carry));
  }
  return digits;
}

// The digits of |x| * 10^decimals rounded to an integer, a half away from zero, computed on the
// float's exact binary value (printf would round exact binary ties to even). x is finite.
std::string RoundedDigits(float x, int decimals) {
  int exponent = 0;
  const float fraction = std::frexp(std::fabs(x), &exponent);
  const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 24));  // 24 bits, exact
  exponent -= 24;  // |x| = mantissa * 2^exponent
  std::uint64_t scaled = mantissa;
  for (int i = 0; i < decimals; ++i) scaled *= 10;  // below 2^31
  if (exponent >= 0) return ShiftedDecimal(scaled, exponent);
  const int shift = -exponent;
  if (shift >= 63) return "0";  // below 2^31 / 2^63: far under one half
  const std::uint64_t half = std::uint64_t{1} << (shift - 1);
  const std::uint64_t rest = scaled & ((half << 1) - 1);
  return std::to_string((scaled >> shift) + (rest >= half ? 1 : 0));
}

std::string NonFiniteText(float x) {
  if (std::isnan(x)) return "nan";
  return x < 0 ? "-inf" : "inf";
}

// Below 100: fixed point with the locale separator, trailing zeros and then one "," or "." cut.
std::string SmallNumberText(float x, const std::string& separator) {
  const int decimals = x >= 10.0f ? 1 : 2;
  std::string digits = RoundedDigits(x, decimals);
  if (digits.size() < static_cast<std::size_t>(decimals) + 1) {
    digits.insert(0, decimals + 1 - digits.size(), '0');
  }
  std::string text = (x < 0 ? "-" : "") + digits.substr(0, digits.size() - decimals) + separator +
                     digits.substr(digits.size() - decimals);
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && (text.back() == ',' || text.back() == '.')) text.pop_back();
  return text;
}

}  // namespace

std::string FormatByteSize(float size, const std::string& decimalSeparator) {
  float x = size;
  int unit = 0;
  while (unit < kLastUnit && x > 1024.0f) {
    x = x * kUnitStep;
    ++unit;
  }
  std::string number;
  if (!std::isfinite(x)) {
    number = NonFiniteText(x);
  } else if (x >= 100.0f) {
    number = RoundedDigits(std::nearbyint(x), 0);  // default rounding mode: ties to even
  } else {
    number = SmallNumberText(x, decimalSeparator.empty() ? "." : decimalSeparator);
  }
  return number + kUnitSuffixes[unit];
}

}  // namespace setup
