#include "SimMachine.h"

#include <algorithm>
#include <memory>
#include <system_error>
#include <utility>

#include "io/FileIo.h"
#include "io/ToolError.h"
#include "text/FolderPath.h"
#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup::mksetup {
namespace fs = std::filesystem;

namespace {

// The button a box of these flags was closed with, as a user would name it.
const char* AnswerName(unsigned flags, bool answer) {
  switch (flags & 0xF) {
    case 1:  // MB_OKCANCEL
      return answer ? "OK" : "Cancel";
    case 4:  // MB_YESNO
      return answer ? "Yes" : "No";
    default:
      return "OK";
  }
}

}  // namespace

// The drives of --drive D=DIR: a letter other than C (C: is the root's own) and a host folder
// that exists, each letter once.
std::map<char, fs::path> DrivesOf(const Arguments& parsed) {
  std::map<char, std::filesystem::path> drives;
  for (const std::string& given : parsed.Values("--drive")) {
    const char letter = given.empty() ? '\0' : ToUpperAscii(given[0]);
    if (given.size() < 3 || given[1] != '=' || letter < 'A' || letter > 'Z') {
      throw UsageError("--drive takes LETTER=FOLDER (D=/mnt/d), not " + given);
    }
    if (letter == 'C') throw UsageError("--drive: drive C: is the root's folder C");
    const fs::path folder = given.substr(2);
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
      throw UsageError("--drive " + given + ": " + folder.string() + " is no folder");
    }
    if (!drives.emplace(letter, folder).second) {
      throw UsageError("--drive: drive " + std::string(1, letter) + ": is given twice");
    }
  }
  return drives;
}

std::optional<SimProfile> ProfileOf(const Arguments& parsed) {
  std::optional<std::string> given = parsed.Value("--profile");
  if (!given) return std::nullopt;
  std::string folder = *given;
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  const char letter = folder.empty() ? '\0' : ToUpperAscii(folder[0]);
  const std::size_t last = folder.find_last_of('\\');
  if (folder.size() < 4 || letter < 'A' || letter > 'Z' || folder[1] != ':' || folder[2] != '\\' ||
      last + 1 >= folder.size()) {
    throw UsageError("--profile takes the profile's Windows folder (C:\\Users\\Name), not " +
                     *given);
  }
  if (!IsValidUtf8(folder)) throw UsageError("--profile " + *given + ": the path is no UTF-8");
  std::string part;
  for (std::size_t i = 3; i <= folder.size(); ++i) {
    if (i < folder.size() && folder[i] != '\\') {
      part.push_back(folder[i]);
      continue;
    }
    const bool forbidden = std::any_of(part.begin(), part.end(), [](char c) {
      return static_cast<unsigned char>(c) < 0x20 ||
             kForbiddenNameCharacters.find(c) != std::string_view::npos;
    });
    if (part.empty() || part == "." || part == ".." || forbidden || IsDeviceName(part) ||
        part.back() == '.' || part.back() == ' ') {
      throw UsageError("--profile " + *given + ": \"" + part +
                       "\" is no name Windows gives a folder");
    }
    part.clear();
  }
  return SimProfile{folder, folder.substr(last + 1)};
}

void UseProfile(SimPlatform& sim, const SimProfile& profile) {
  constexpr const char* kShellFolders =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  const std::string roaming = profile.folder + "\\AppData\\Roaming";
  const std::pair<const char*, std::string> folders[] = {
      {"AppData", roaming},
      {"Desktop", profile.folder + "\\Desktop"},
      {"Programs", roaming + "\\Microsoft\\Windows\\Start Menu\\Programs"},
  };
  const std::unique_ptr<RegistryKey> key =
      sim.registry.CreateKey(RegistryRoot::CurrentUser, kShellFolders);
  for (const auto& [name, folder] : folders) {
    if (key) key->WriteString(name, folder);
    sim.files.CreateDirectories(folder);
  }
  sim.files.CreateDirectories(roaming + "\\Microsoft\\Internet Explorer\\Quick Launch");
}

void WriteTextFile(const fs::path& path, const std::string& text) {
  AtomicOutput out(path);
  out.Write(text.data(), text.size());
  out.Commit();
}

// A box as the user saw it: its caption, its text (each line break a new indented line) and
// the button that closed it.
std::string BoxText(const SimQuestion& box, bool answer) {
  std::string text = "message box \"" + box.caption + "\": ";
  for (std::size_t i = 0; i < box.text.size(); ++i) {
    const char c = box.text[i];
    if (c != '\r' && c != '\n') {
      text += c;
      continue;
    }
    if (c == '\r' && i + 1 < box.text.size() && box.text[i + 1] == '\n') ++i;
    text += "\n    ";
  }
  return text + " [" + AnswerName(box.flags, answer) + "]\n";
}

// A run leaves a few KB; the text is read as anyone could have written it.
constexpr std::uintmax_t kLongestRegistryText = 16u << 20;

std::optional<std::string> EarlierRegistry(const fs::path& file) {
  std::error_code error;
  if (fs::is_symlink(fs::symlink_status(file, error))) {
    throw ToolError(file.string(), "error: a symbolic link, not followed out of the root");
  }
  if (!std::filesystem::is_regular_file(file, error)) return std::nullopt;
  const auto tooLarge = [&] {
    return ToolError(file.string(), "error: larger than 16 MB (16,777,216 bytes)");
  };
  if (std::filesystem::file_size(file, error) > kLongestRegistryText) throw tooLarge();
  std::vector<std::uint8_t> bytes;
  try {
    bytes = ReadWholeFile(file);
  } catch (const ToolError& reading) {
    throw ToolError(file.string(), "error: " + reading.Reason());
  }
  if (bytes.size() > kLongestRegistryText) throw tooLarge();
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace setup::mksetup
