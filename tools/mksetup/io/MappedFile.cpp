#include "MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ToolError.h"

namespace setup::mksetup {
namespace {

constexpr std::size_t kReleaseStep = 1 << 20;  // one call per megabyte, not per entry

}  // namespace

MappedFile::MappedFile(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    throw ToolError(path.string(), std::string("cannot be read: ") + std::strerror(errno));
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    throw ToolError(path.string(), "cannot be read: not a regular file");
  }
  size_ = static_cast<std::size_t>(info.st_size);
  void* at = size_ == 0 ? nullptr : ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
  const int mapError = errno;
  ::close(fd);
  if (at == MAP_FAILED)
    throw ToolError(path.string(), std::string("cannot be read: ") + std::strerror(mapError));
  data_ = static_cast<const std::uint8_t*>(at);
}

MappedFile::~MappedFile() {
  if (data_ != nullptr) ::munmap(const_cast<std::uint8_t*>(data_), size_);
}

void MappedFile::ReleaseBefore(const std::uint8_t* end) {
  if (data_ == nullptr || end < data_ || end > data_ + size_) return;
  const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t upTo = static_cast<std::size_t>(end - data_) / page * page;
  if (upTo < released_ + kReleaseStep) return;
  ::madvise(const_cast<std::uint8_t*>(data_) + released_, upTo - released_, MADV_DONTNEED);
  released_ = upTo;
}

}  // namespace setup::mksetup
