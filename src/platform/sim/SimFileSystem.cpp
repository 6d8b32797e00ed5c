#include "platform/sim/SimFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/Error.h"

namespace setup {

namespace fs = std::filesystem;

class SimFileSystem::File : public OutputFile {
 public:
  File(SimFileSystem& owner, std::string path, HostFd fd)
      : owner_(owner), path_(std::move(path)), fd_(std::move(fd)) {}
  ~File() override { owner_.open_.erase(path_); }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  void Append(const std::uint8_t* data, std::size_t size) override {
    if (size > owner_.writeLimit_) throw SetupError("Stream write error");
    owner_.writeLimit_ -= size;
    while (size > 0) {
      const ssize_t written = ::write(fd_.Get(), data, size);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) throw SetupError("Stream write error");
      data += written;
      size -= static_cast<std::size_t>(written);
    }
  }

 private:
  SimFileSystem& owner_;
  std::string path_;  // the host path's text, as open_ knows it
  HostFd fd_;
};

namespace {

fs::file_type TypeOf(mode_t mode) {
  if (S_ISDIR(mode)) return fs::file_type::directory;
  if (S_ISREG(mode)) return fs::file_type::regular;
  return fs::file_type::unknown;
}

// The status of the entry with no link followed on the way, asking the host only when the
// look-up did not tell: a link is refused (and noted), so it counts as no entry at all.
fs::file_status StatusOf(const SimDrives& drives, const SimDrives::Resolved& entry) {
  if (entry.status.type() == fs::file_type::not_found) return entry.status;
  const HostFd fd = drives.Open(entry.path, O_PATH);
  struct stat status {};
  if (!fd || ::fstat(fd.Get(), &status) != 0) return fs::file_status(fs::file_type::not_found);
  return fs::file_status(TypeOf(status.st_mode), static_cast<fs::perms>(status.st_mode & 07777));
}

// The folder that holds hostPath, opened below its base, and the entry's name in it.
struct Parent {
  HostFd fd;
  std::string name;
};

// errno tells why the folder is not open: ELOOP for a link on the way.
Parent ParentOf(const SimDrives& drives, const fs::path& hostPath) {
  if (hostPath.empty() || !hostPath.has_parent_path()) {
    errno = ENOENT;
    return {};
  }
  return {drives.Open(hostPath.parent_path(), O_PATH | O_DIRECTORY), hostPath.filename()};
}

fs::file_type TypeAt(const Parent& parent) {
  struct stat status {};
  if (::fstatat(parent.fd.Get(), parent.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
    return fs::file_type::not_found;
  }
  return S_ISLNK(status.st_mode) ? fs::file_type::symlink : TypeOf(status.st_mode);
}

}  // namespace

bool SimFileSystem::DirectoryExists(const std::string& path) {
  return fs::is_directory(StatusOf(drives_, drives_.Resolve(path)));
}

bool SimFileSystem::FileExists(const std::string& path) {
  return fs::is_regular_file(StatusOf(drives_, drives_.Resolve(path)));
}

bool SimFileSystem::CreateDirectories(const std::string& path) {
  const SimDrives::Resolved entry = drives_.Resolve(path);
  if (entry.path.empty()) return false;
  if (fs::is_directory(StatusOf(drives_, entry))) return true;
  // As on Windows, the climb stops at the drive's or the share's root: neither can be made.
  HostFd folder = drives_.Open(entry.volume, O_PATH | O_DIRECTORY);
  if (!folder) return false;
  fs::path made = entry.volume;
  for (const fs::path& name : entry.path.lexically_relative(entry.volume)) {
    made /= name;
    if (::mkdirat(folder.Get(), name.c_str(), 0755) == 0) {
      drives_.NoteCreated(made, true);
    } else if (errno != EEXIST) {
      return false;
    }
    HostFd next(
        ::openat(folder.Get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!next) {
      struct stat status {};
      if (::fstatat(folder.Get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
          S_ISLNK(status.st_mode)) {
        drives_.NoteLink(made);
      }
      return false;
    }
    folder = std::move(next);
  }
  return true;
}

std::unique_ptr<OutputFile> SimFileSystem::CreateFileExclusive(const std::string& path) {
  const SimDrives::Resolved entry = drives_.Resolve(path);
  const fs::path& host = entry.path;
  if (host.empty()) return nullptr;
  const fs::file_status status = StatusOf(drives_, entry);
  if (fs::is_directory(status) ||
      (fs::exists(status) && (status.permissions() & fs::perms::owner_write) == fs::perms::none)) {
    return nullptr;
  }
  if (open_.count(host.native()) != 0) return nullptr;  // share mode 0: nobody else may open it
  HostFd fd = drives_.Open(host, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (!fd) return nullptr;
  drives_.NoteCreated(host);
  open_.insert(host.native());
  return std::make_unique<File>(*this, host.native(), std::move(fd));
}

// A link stands for a junction or a symbolic link. Nothing is removed through one on the way
// (the parent cannot be opened without following it); a link that is itself the entry goes as
// the link it is, as Windows removes a junction, whatever it points at, and is reported.
bool SimFileSystem::RemoveFile(const std::string& path) {
  const fs::path host = drives_.HostPath(path);
  const Parent parent = ParentOf(drives_, host);
  if (!parent.fd) return errno != ELOOP;  // no folder, so no file either; or a link on the way
  const fs::file_type type = TypeAt(parent);
  if (type == fs::file_type::symlink) drives_.NoteLink(host);
  if (type != fs::file_type::regular && type != fs::file_type::symlink) return true;
  if (::unlinkat(parent.fd.Get(), parent.name.c_str(), 0) != 0) return false;
  drives_.NoteRemoved(host);
  return true;
}

bool SimFileSystem::RemoveEmptyFolder(const std::string& path) {
  const fs::path host = drives_.HostPath(path);
  const Parent parent = ParentOf(drives_, host);
  if (!parent.fd) return errno != ELOOP;
  const fs::file_type type = TypeAt(parent);
  if (type == fs::file_type::symlink) {
    drives_.NoteLink(host);
    if (::unlinkat(parent.fd.Get(), parent.name.c_str(), 0) != 0) return false;
    drives_.NoteRemoved(host);
    return true;
  }
  if (type != fs::file_type::directory) return true;
  // rmdir removes only an empty folder: a full one stays and is still there.
  if (::unlinkat(parent.fd.Get(), parent.name.c_str(), AT_REMOVEDIR) != 0) return false;
  drives_.NoteRemoved(host);
  return true;
}

std::optional<std::string> SimFileSystem::ReadFileBytes(const std::string& path) {
  const HostFd fd = drives_.Open(drives_.HostPath(path), O_RDONLY);
  struct stat status {};
  if (!fd || ::fstat(fd.Get(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) return bytes;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

void SimFileSystem::MakeReadOnly(const std::string& path) {
  const HostFd fd = drives_.Open(drives_.HostPath(path), O_RDONLY);
  struct stat status {};
  if (fd && ::fstat(fd.Get(), &status) == 0) ::fchmod(fd.Get(), status.st_mode & ~0222);
}

}  // namespace setup
