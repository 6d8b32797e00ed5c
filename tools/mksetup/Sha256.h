#pragma once
// SHA-256 of a stream of bytes, so list --json can name each file's content.
#include <array>
#include <cstdint>
#include <string>

#include "platform/FileSystem.h"

namespace setup::mksetup {

class Sha256Sink : public ByteSink {
 public:
  Sha256Sink();
  void Append(const std::uint8_t* data, std::size_t size) override;
  std::string HexDigest();  // ends the hash; lower-case hex

 private:
  void Block(const std::uint8_t* block);
  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;
};

}  // namespace setup::mksetup
