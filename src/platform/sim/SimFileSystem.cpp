#include "platform/sim/SimFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/Error.h"

namespace setup {

namespace fs = std::filesystem;

class SimFileSystem::File : public OutputFile {
 public:
  File(SimFileSystem& owner, fs::path path, int fd)
      : owner_(owner), path_(std::move(path)), fd_(fd) {}
  ~File() override {
    ::close(fd_);
    owner_.open_.erase(path_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  void Append(const std::uint8_t* data, std::size_t size) override {
    if (size > owner_.writeLimit_) throw SetupError("Stream write error");
    owner_.writeLimit_ -= size;
    while (size > 0) {
      const ssize_t written = ::write(fd_, data, size);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) throw SetupError("Stream write error");
      data += written;
      size -= static_cast<std::size_t>(written);
    }
  }

 private:
  SimFileSystem& owner_;
  fs::path path_;
  int fd_;
};

namespace {

// The status of the entry, a link followed, asking the host only when the look-up did not tell.
fs::file_status FollowedStatus(const SimDrives::Resolved& entry) {
  const fs::file_type type = entry.status.type();
  if (type != fs::file_type::none && type != fs::file_type::symlink) return entry.status;
  std::error_code error;
  return fs::status(entry.path, error);
}

}  // namespace

bool SimFileSystem::DirectoryExists(const std::string& path) {
  return fs::is_directory(FollowedStatus(drives_.Resolve(path)));
}

bool SimFileSystem::FileExists(const std::string& path) {
  return fs::is_regular_file(FollowedStatus(drives_.Resolve(path)));
}

bool SimFileSystem::CreateDirectories(const std::string& path) {
  const SimDrives::Resolved entry = drives_.Resolve(path);
  if (entry.path.empty()) return false;
  if (fs::is_directory(FollowedStatus(entry))) return true;
  std::error_code error;
  // As on Windows, the climb stops at the drive's or the share's root: neither can be made.
  if (!fs::is_directory(entry.volume, error)) return false;
  fs::path folder = entry.volume;
  for (const fs::path& name : entry.path.lexically_relative(entry.volume)) {
    folder /= name;
    if (::mkdir(folder.c_str(), 0755) == 0) {
      drives_.NoteCreated(folder);
    } else if (errno != EEXIST) {
      return false;
    }
  }
  return fs::is_directory(entry.path, error);
}

std::unique_ptr<OutputFile> SimFileSystem::CreateFileExclusive(const std::string& path) {
  const SimDrives::Resolved entry = drives_.Resolve(path);
  const fs::path& host = entry.path;
  if (host.empty()) return nullptr;
  const fs::file_status status = FollowedStatus(entry);
  if (fs::is_directory(status) ||
      (fs::exists(status) && (status.permissions() & fs::perms::owner_write) == fs::perms::none)) {
    return nullptr;
  }
  if (open_.count(host) != 0) return nullptr;  // share mode 0: nobody else may open it
  const int fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  drives_.NoteCreated(host);
  open_.insert(host);
  return std::make_unique<File>(*this, host, fd);
}

namespace {

// A host link on the way from the drive or share to the entry stands for a junction or a
// symbolic link: nothing is removed through one, as on Windows.
bool ThroughLink(const SimDrives::Resolved& entry) {
  if (entry.path.empty() || entry.volume.empty()) return false;
  std::error_code error;
  fs::path at = entry.volume;
  for (const fs::path& name : entry.path.lexically_relative(entry.volume).parent_path()) {
    at /= name;
    if (fs::is_symlink(at, error)) return true;
  }
  return false;
}

}  // namespace

bool SimFileSystem::RemoveFile(const std::string& path) {
  const SimDrives::Resolved entry = drives_.Resolve(path);
  const fs::path& host = entry.path;
  std::error_code error;
  if (fs::is_regular_file(host, error) && !ThroughLink(entry) && fs::remove(host, error))
    drives_.NoteRemoved(host);
  return !fs::is_regular_file(host, error);
}

bool SimFileSystem::RemoveEmptyFolder(const std::string& path) {
  const SimDrives::Resolved entry = drives_.Resolve(path);
  const fs::path& host = entry.path;
  std::error_code error;
  if (!fs::is_directory(host, error) || ThroughLink(entry)) return !fs::is_directory(host, error);
  // A linked folder goes as the link it is, as Windows removes a junction, whatever it points at.
  if ((fs::is_symlink(host, error) || fs::is_empty(host, error)) && fs::remove(host, error))
    drives_.NoteRemoved(host);
  return !fs::exists(fs::symlink_status(host, error));
}

std::optional<std::string> SimFileSystem::ReadFileBytes(const std::string& path) {
  const fs::path host = drives_.HostPath(path);
  std::error_code error;
  if (!fs::is_regular_file(host, error)) return std::nullopt;
  std::ifstream in(host, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void SimFileSystem::MakeReadOnly(const std::string& path) {
  std::error_code error;
  fs::permissions(drives_.HostPath(path),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove, error);
}

}  // namespace setup
