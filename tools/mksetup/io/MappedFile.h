#pragma once
// A whole file mapped read-only, as Windows maps an executable image: reading a setup.exe costs
// no copy, and pages read once can be given back so a run's memory does not grow with the
// payload.
#include <cstdint>
#include <filesystem>

#include "text/Bytes.h"

namespace setup::mksetup {

class MappedFile {
 public:
  // Throws ToolError("path: reason") when the file cannot be opened or mapped.
  explicit MappedFile(const std::filesystem::path& path);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  ByteSpan Bytes() const { return ByteSpan(data_, size_); }

  // Gives the pages wholly before `end` (a place inside Bytes()) back to the page cache, as
  // Windows trims clean image pages; touching them again reads them from the cache.
  void ReleaseBefore(const std::uint8_t* end);

 private:
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t released_ = 0;
};

}  // namespace setup::mksetup
