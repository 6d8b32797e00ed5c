#include "FileIo.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>
#include <system_error>

#include "ToolError.h"

namespace setup::mksetup {
namespace fs = std::filesystem;
namespace {

fs::path UniqueSibling(const fs::path& target, const char* kind) {
  static unsigned counter = 0;
  const std::string name = "." + target.filename().string() + "." + kind + "-" +
                           std::to_string(::getpid()) + "-" + std::to_string(++counter);
  return target.parent_path() / name;
}

constexpr const char* kScratchKinds[] = {"partial", "scratch"};

// The process id in a name UniqueSibling gave for the file called owner, or for such a name
// itself (a partial file of a scratch file); nothing for any other name.
std::optional<pid_t> ScratchOwner(std::string_view name, std::string_view owner) {
  if (name.size() < 2 || name[0] != '.') return std::nullopt;
  for (const std::string_view kind : kScratchKinds) {
    const std::string marker = "." + std::string(kind) + "-";
    const std::size_t at = name.rfind(marker);
    if (at == std::string_view::npos || at < 1) continue;
    const std::string_view inner = name.substr(1, at - 1);
    const std::string_view rest = name.substr(at + marker.size());
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == rest.size() ||
        rest.find_first_not_of("0123456789-") != std::string_view::npos ||
        rest.find('-', dash + 1) != std::string_view::npos) {
      continue;
    }
    const pid_t pid = static_cast<pid_t>(std::stol(std::string(rest.substr(0, dash))));
    if (inner == owner || ScratchOwner(inner, owner) == pid) return pid;
  }
  return std::nullopt;
}

bool Runs(pid_t pid) {
  return pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH;
}

std::string SystemReason() {
  return std::strerror(errno);
}

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const fs::path& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) throw ToolError(path.string(), "cannot be read: " + SystemReason());
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[1 << 16];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) throw ToolError(path.string(), "cannot be read: " + SystemReason());
  return bytes;
}

AtomicOutput::AtomicOutput(const fs::path& target)
    : target_(target), temporary_(UniqueSibling(target, "partial")) {
  file_ = std::fopen(temporary_.c_str(), "wb");
  if (!file_) throw ToolError(target.string(), "cannot be written: " + SystemReason());
}

AtomicOutput::~AtomicOutput() {
  if (file_) std::fclose(file_);
  std::error_code ignored;
  if (!temporary_.empty()) fs::remove(temporary_, ignored);
}

void AtomicOutput::Write(const void* data, std::size_t size) {
  if (size != 0 && std::fwrite(data, 1, size, file_) != size) {
    throw ToolError(target_.string(), "cannot be written: " + SystemReason());
  }
  size_ += size;
}

void AtomicOutput::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
  if (std::fflush(file_) != 0 || std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0 ||
      std::fwrite(data, 1, size, file_) != size || std::fseek(file_, 0, SEEK_END) != 0) {
    throw ToolError(target_.string(), "cannot be written: " + SystemReason());
  }
}

void AtomicOutput::Commit() {
  const int closed = std::fclose(file_);
  file_ = nullptr;
  if (closed != 0) throw ToolError(target_.string(), "cannot be written: " + SystemReason());
  std::error_code error;
  fs::rename(temporary_, target_, error);
  if (error) throw ToolError(target_.string(), "cannot be written: " + error.message());
  temporary_.clear();
}

void RemoveStaleScratch(const fs::path& target) {
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  const std::string owner = target.filename().string();
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::optional<pid_t> pid = ScratchOwner(it->path().filename().string(), owner);
    std::error_code ignored;
    if (pid && !Runs(*pid)) fs::remove(it->path(), ignored);
  }
}

TemporaryFile::TemporaryFile(const fs::path& nearTarget)
    : path_(UniqueSibling(nearTarget, "scratch")) {}

TemporaryFile::~TemporaryFile() {
  std::error_code ignored;
  fs::remove(path_, ignored);
}

}  // namespace setup::mksetup
