#pragma once
// Windows paths of the simulated machine mapped to host paths: drive C: is ROOT/C (another
// drive ROOT/LETTER, or a host folder of its own), a server share \\srv\share is
// ROOT/UNC/srv/share.
#include <sys/stat.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/sim/HostBeneath.h"

namespace setup {

class SimDrives {
 public:
  explicit SimDrives(std::filesystem::path root) : root_(std::move(root)) {}
  const std::filesystem::path& Root() const { return root_; }

  // The host path of a Windows path. Like Windows, "\" and "/" both separate and a run of them
  // is one separator, "." and ".." are folded (never above the drive or share), trailing dots and
  // blanks of a name are dropped, a path without a drive is on C:, the text ends at a NUL, and an
  // existing entry is found whatever the letter case of the name given (FoldPathCase). A text that names
  // no place of the simulated machine (a drive that is no letter, a server or share that is
  // missing or "." or "..", a device path, a name with a character Windows refuses) gives an
  // empty path: nothing can be found or made there. Every path given lies under the root.
  std::filesystem::path HostPath(const std::string& windowsPath) const;

  // HostPath with what the look-up already learnt of the entry, so that callers need not ask
  // the host again: its status without following a link, or not_found when no entry of that
  // name exists in any case, or none when the look-up did not find out. volume is the host
  // folder of the drive or share the entry lies on: folders are never made above it.
  struct Resolved {
    std::filesystem::path path;
    std::filesystem::file_status status;
    std::filesystem::path volume;
  };
  Resolved Resolve(const std::string& windowsPath) const;
  // The host folder of a drive letter ("C" -> ROOT/C, or the folder MapDrive gave it); empty for
  // anything but an ASCII letter.
  // (Kept until the next MapDrive.)
  const std::filesystem::path& DriveFolder(char letter) const;
  // The drive of that letter is the host folder given (made absolute), wherever it lies, instead
  // of ROOT/LETTER; nothing of the machine is found or made outside it or the root.
  void MapDrive(char letter, const std::filesystem::path& folder);
  // The letters MapDrive was given, upper-cased, in letter order.
  std::vector<char> MappedLetters() const;

  // Opens a host path that Resolve gave (or one of the root's own files) below the folder it
  // lies in, a mapped drive's or the root, following no link on the way (see OpenBeneath). A
  // link met is told to onLink; errno says why when the result is not open.
  HostFd Open(const std::filesystem::path& hostPath, int flags, mode_t mode = 0) const;
  // The folder below which hostPath is reached without a link: the mapped drive's folder it lies
  // in, else the root; empty when it lies in neither.
  const std::filesystem::path& Base(const std::filesystem::path& hostPath) const;
  // Each link that Open met instead of following it, as it is met.
  std::function<void(const std::filesystem::path& link)> onLink;
  void NoteLink(const std::filesystem::path& link) const;

  // What the simulated machine itself made or removed, so that the names it knows of a folder
  // stay right without listing the folder again.
  void NoteCreated(const std::filesystem::path& hostPath, bool folder = false) const;
  void NoteRemoved(const std::filesystem::path& hostPath) const;
  // How often a host folder was listed: once per folder, unless something else changed it.
  std::size_t FolderListings() const { return listings_; }

 private:
  // The names of one host folder by their upper-cased spelling, and the folder's status when they
  // were read: a change by anyone else shows as another modification time, inode, size or link
  // count, and the folder is listed again. While the sim is making files in a folder, it asks
  // whether a new name is new of a status at most a millisecond old. (A change by another program
  // within that millisecond, or within the same clock tick as one of the sim's own, can go unseen;
  // nothing else writes into a root during a run.)
  struct FolderNames {
    struct stat stamp {};
    std::unordered_map<std::string, std::string> byUpperName;
    // What the sim made in the folder since the stamp was taken, not asked of the host after each
    // (a run makes thousands of files, one after the other): the folder may show it as a change
    // up to ownUntil and as ownLinks more links (one a folder). Anything else is a change by
    // someone else; so is a change within that last clock tick, which the stamp cannot tell.
    bool own = false;
    struct timespec ownUntil {};
    nlink_t ownLinks = 0;
    std::chrono::steady_clock::time_point lookedAt;  // when the status was last asked
  };
  // The names of folder, listed again when it changed behind the sim's back; null when it cannot
  // be listed. making: only to tell whether a new name is new, as the sim makes file after file
  // in the folder; then a status asked less than a millisecond ago still holds.
  const FolderNames* Names(const std::string& folder, bool making = false) const;
  // The entry of folder whose name matches name without regard to ASCII case: folder / name when
  // there is none, nothing when the folder cannot be listed.
  std::optional<std::filesystem::path> FindIgnoringCase(const std::filesystem::path& folder,
                                                        const std::string& name) const;
  // The entry of folder whose name matches name without regard to ASCII case, else name itself.
  std::filesystem::path Lookup(const std::filesystem::path& folder, const std::string& name) const;
  // The entry of the names below the volume, each found whatever its letter case.
  Resolved Find(const std::filesystem::path& volume, const std::vector<std::string>& names) const;

  std::filesystem::path root_;
  std::map<char, std::filesystem::path> mapped_;  // by upper-cased letter
  // ROOT/LETTER of the letters not mapped, made once: every look-up starts from one.
  mutable std::array<std::filesystem::path, 26> driveFolders_;
  // Each base folder opened once (O_PATH) for the run: thousands of files are opened below it.
  mutable std::unordered_map<std::string, HostFd> bases_;
  // Without it, every new file in a folder of n entries cost a listing of n names.
  mutable std::unordered_map<std::string, FolderNames> names_;
  mutable std::size_t listings_ = 0;
};

}  // namespace setup
