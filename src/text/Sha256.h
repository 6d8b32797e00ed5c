#pragma once
// SHA-256 of a stream of bytes: list --json names each file's content with it, and the
// installation registers the digest of the UnInstall.LOG it saves.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace setup {

class Sha256 {
 public:
  Sha256();
  void Append(const std::uint8_t* data, std::size_t size);
  std::string HexDigest();  // ends the hash; lower-case hex

 private:
  void Block(const std::uint8_t* block);
  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;
};

// The lower-case hex digest of bytes held whole.
std::string Sha256Hex(const std::string& bytes);

}  // namespace setup
