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

void PeChecksum::Append(const PeChecksum& next) {
  length_ += next.length_;
  if (!oddByte_) {
    sum_ = Fold(sum_ + next.sum_);
    oddByte_ = next.oddByte_;
    pending_ = next.pending_;
    return;
  }
  // After an odd part each byte of next stands in the other half of its word, and in this
  // arithmetic swapping the halves of every word swaps the halves of their sum.
  std::uint64_t sum = sum_ + pending_ + ((next.sum_ & 0xFF) << 8 | next.sum_ >> 8);
  if (next.oddByte_) sum += std::uint32_t{next.pending_} << 8;
  sum_ = Fold(sum);
  oddByte_ = !next.oddByte_;  // the last byte, added already, was a word's low half
  pending_ = 0;
}

void PeChecksum::AddOver(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
  std::uint64_t sum = sum_;
  for (std::size_t i = 0; i < size; ++i) {
    sum += (offset + i) % 2 ? std::uint32_t{data[i]} << 8 : data[i];
  }
  sum_ = Fold(sum);
}

std::uint32_t PeChecksum::Finish() const {
  const std::uint64_t sum = Fold(sum_ + (oddByte_ ? pending_ : 0));
  return static_cast<std::uint32_t>(sum + length_);
}

}  // namespace setup::mksetup
