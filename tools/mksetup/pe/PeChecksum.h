#pragma once
// The PE image checksum (the optional header's CheckSum field), computed as bytes stream by.
#include <cstddef>
#include <cstdint>

namespace setup::mksetup {

// Sum of the file's little-endian 16-bit words with the carries folded back in, plus the file
// length. The CheckSum field itself must be fed as zeros.
class PeChecksum {
 public:
  void Add(const std::uint8_t* data, std::size_t size);
  // The bytes that follow, summed apart: what Add of each of them in turn would give.
  void Append(const PeChecksum& next);
  // Bytes written over zeros already added, offset counted from this sum's first byte.
  void AddOver(std::uint64_t offset, const std::uint8_t* data, std::size_t size);
  std::uint32_t Finish() const;

 private:
  std::uint64_t sum_ = 0;
  std::uint64_t length_ = 0;
  bool oddByte_ = false;  // the low byte of a word is pending
  std::uint8_t pending_ = 0;
};

}  // namespace setup::mksetup
