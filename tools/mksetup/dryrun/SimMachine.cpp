#include "SimMachine.h"

#include <system_error>

#include "io/FileIo.h"
#include "io/Text1252.h"
#include "io/ToolError.h"
#include "text/ScriptText.h"

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

void WriteTextFile(const fs::path& path, const std::string& text) {
  AtomicOutput out(path);
  out.Write(text.data(), text.size());
  out.Commit();
}

// A box as the user saw it: its caption, its text (each line break a new indented line) and
// the button that closed it, in UTF-8 (the setup's texts are Windows-1252).
std::string BoxText(const SimQuestion& box, bool answer) {
  // The setup's texts are Windows-1252; the terminal and the logs take UTF-8.
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
  return Utf8From1252(text) + " [" + AnswerName(box.flags, answer) + "]\n";
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
