#pragma once
// Host files below a folder the simulated machine trusts (the root, a mapped drive's folder),
// opened so that no symbolic link is followed on the way or at the end: a link planted below the
// root must carry neither a write nor a read out of it.
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <utility>

namespace setup {

// A host file descriptor that closes itself.
class HostFd {
 public:
  HostFd() = default;
  explicit HostFd(int fd) : fd_(fd) {}
  ~HostFd();
  HostFd(HostFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  HostFd& operator=(HostFd&& other) noexcept;
  HostFd(const HostFd&) = delete;
  HostFd& operator=(const HostFd&) = delete;

  int Get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

struct BeneathOpen {
  HostFd fd;
  int error = 0;               // errno when fd is not open
  std::filesystem::path link;  // the link met, when that is why (error is ELOOP)
};

// Opens base/relative with open(2) flags and mode. relative is names only (no "..", not
// absolute), as text: a run opens thousands, and no path need be built of each. base itself may
// be a link, being the folder the caller was given. A link met on the way, or at the end (also
// with O_PATH, which would otherwise open the link itself), fails with ELOOP and is named.
// openat2 with RESOLVE_BENEATH and RESOLVE_NO_SYMLINKS does it in one call; a kernel without it
// gets one O_NOFOLLOW openat per name.
BeneathOpen OpenBeneath(const std::filesystem::path& base, const std::string& relative, int flags,
                        mode_t mode = 0);
// The same below top, a folder of base opened already (O_PATH | O_DIRECTORY), for a caller that
// opens many files below one folder; base only names a link met.
BeneathOpen OpenBeneath(const HostFd& top, const std::filesystem::path& base,
                        const std::string& relative, int flags, mode_t mode = 0);

// For the tests of the older kernels' way: whether openat2 is tried at all.
void UseOpenat2(bool use);

}  // namespace setup
