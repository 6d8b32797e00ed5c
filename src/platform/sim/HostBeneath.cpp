#include "platform/sim/HostBeneath.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <string_view>

namespace setup {
namespace {

namespace fs = std::filesystem;

std::atomic<bool> openat2Usable{true};

HostFd OpenAt(int dirfd, const char* path, int flags, mode_t mode) {
  int fd;
  do {
    fd = ::openat(dirfd, path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return HostFd(fd);
}

// -1 with errno ENOSYS where the kernel (or a seccomp filter) does not know openat2.
HostFd Openat2(int dirfd, const std::string& relative, int flags, mode_t mode) {
  open_how how{};
  how.flags = static_cast<std::uint64_t>(flags | O_CLOEXEC);
  how.mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? mode : 0;
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS;
  long fd;
  do {
    fd = ::syscall(SYS_openat2, dirfd, relative.c_str(), &how, sizeof how);
  } while (fd < 0 && errno == EAGAIN);
  return HostFd(static_cast<int>(fd));
}

HostFd OpenByNames(int dirfd, const fs::path& relative, int flags, mode_t mode) {
  HostFd folder;
  int at = dirfd;
  auto name = relative.begin();
  for (auto next = std::next(name); next != relative.end(); name = next++) {
    folder = OpenAt(at, name->c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW, 0);
    if (!folder) return folder;
    at = folder.Get();
  }
  return OpenAt(at, name->c_str(), flags | O_NOFOLLOW, mode);
}

// The first name of relative below base that is a link; only to say which, once refused.
fs::path FirstLink(const fs::path& base, const fs::path& relative) {
  fs::path path = base;
  for (const fs::path& name : relative) {
    path /= name;
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) break;
    if (S_ISLNK(status.st_mode)) return path;
  }
  return base / relative;
}

// Read as text: taking the path apart into names costs more than the open on a fast disk.
bool NamesOnly(const std::string& text) {
  if (text.empty() || text.front() == '/' || text.back() == '/') return false;
  std::size_t start = 0;  // of the name being read
  for (std::size_t at = 0; at <= text.size(); ++at) {
    if (at < text.size() && text[at] != '/') continue;
    const std::string_view name(text.data() + start, at - start);
    if (name == "." || name == "..") return false;  // a doubled separator is one, as in a path
    start = at + 1;
  }
  return true;
}

}  // namespace

HostFd::~HostFd() {
  if (fd_ >= 0) ::close(fd_);
}

HostFd& HostFd::operator=(HostFd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

void UseOpenat2(bool use) {
  openat2Usable = use;
}

BeneathOpen OpenBeneath(const fs::path& base, const std::string& relative, int flags, mode_t mode) {
  BeneathOpen result;
  if (relative.empty() || relative == ".") {
    result.fd = OpenAt(AT_FDCWD, base.c_str(), flags, mode);
    if (!result.fd) result.error = errno;
    return result;
  }
  if (!NamesOnly(relative)) {
    result.error = EINVAL;
    return result;
  }
  const HostFd top = OpenAt(AT_FDCWD, base.c_str(), O_PATH | O_DIRECTORY, 0);
  if (!top) {
    result.error = errno;
    return result;
  }
  return OpenBeneath(top, base, relative, flags, mode);
}

BeneathOpen OpenBeneath(const HostFd& top, const fs::path& base, const std::string& relative,
                        int flags, mode_t mode) {
  BeneathOpen result;
  if (!NamesOnly(relative)) {
    result.error = EINVAL;
    return result;
  }
  // O_PATH with O_NOFOLLOW opens a link itself; that is refused below like any other link.
  const int pathFlags = (flags & O_PATH) != 0 ? flags | O_NOFOLLOW : flags;
  if (openat2Usable) {
    result.fd = Openat2(top.Get(), relative, pathFlags, mode);
    if (!result.fd && errno == ENOSYS) openat2Usable = false;
  }
  if (!openat2Usable) result.fd = OpenByNames(top.Get(), relative, pathFlags, mode);
  result.error = result.fd ? 0 : errno;
  if (result.fd && (flags & O_PATH) != 0) {
    struct stat status {};
    if (::fstat(result.fd.Get(), &status) == 0 && S_ISLNK(status.st_mode)) {
      result.fd = HostFd();
      result.error = ELOOP;
    }
  }
  // Without O_PATH, a link at the end of the walk by names shows as ENOTDIR for O_DIRECTORY.
  if (result.error == ELOOP || result.error == ENOTDIR) {
    const fs::path link = FirstLink(base, relative);
    struct stat status {};
    if (::lstat(link.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
      result.link = link;
      result.error = ELOOP;
    }
  }
  return result;
}

}  // namespace setup
