#include "pe/PeChecksum.h"

namespace setup::mksetup {
namespace {

std::uint64_t Fold(std::uint64_t sum) {
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return sum;
}

}  // namespace

void PeChecksum::Add(const std::uint8_t* data, std::size_t size) {
  length_ += size;
  std::size_t i = 0;
  if (oddByte_ && size > 0) {
    sum_ += pending_ | static_cast<std::uint32_t>(data[0]) << 8;
    oddByte_ = false;
    i = 1;
  }
  std::uint64_t sum = sum_;
  // Two words at a time as one 32-bit number: 2^16 is 1 in this arithmetic, so the fold below
  // gives the same sum, and a setup.exe's payload is summed four times as fast.
  for (; i + 3 < size; i += 4) {
    sum += data[i] | static_cast<std::uint32_t>(data[i + 1]) << 8 |
           static_cast<std::uint32_t>(data[i + 2]) << 16 |
           static_cast<std::uint32_t>(data[i + 3]) << 24;
  }
  for (; i + 1 < size; i += 2) sum += data[i] | static_cast<std::uint32_t>(data[i + 1]) << 8;
  sum_ = Fold(sum);  // a 64-bit sum of 16-bit words cannot overflow within one call
  if (i < size) {
    pending_ = data[i];
    oddByte_ = true;
  }
}

std::uint32_t PeChecksum::Finish() const {
  const std::uint64_t sum = Fold(sum_ + (oddByte_ ? pending_ : 0));
  return static_cast<std::uint32_t>(sum + length_);
}

}  // namespace setup::mksetup
