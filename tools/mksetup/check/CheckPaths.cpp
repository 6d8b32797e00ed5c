#include "CheckPaths.h"

#include <algorithm>
#include <string_view>

#include "Check.h"
#include "script/Macros.h"
#include "text/FolderPath.h"
#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup::mksetup {
namespace {

// Calls visit with each component between backslashes or slashes, empty ones included. mksetup
// check looks at every path of a script this way, so the parts stay views into the path.
template <typename Visit>
void ForEachComponent(std::string_view text, Visit visit) {
  for (;;) {
    const std::size_t end = text.find_first_of("\\/");
    visit(text.substr(0, end));
    if (end == std::string_view::npos) return;
    text.remove_prefix(end + 1);
  }
}

}  // namespace

void CheckWindowsPath(std::vector<Finding>& findings, std::size_t line, const std::string& path,
                      const SetupState& typical) {
  const auto fail = [&](const char* code, const std::string& reason) {
    findings.push_back({line, Severity::Error, "the path \"" + path + "\" " + reason, code, {}});
  };
  // The folder the path starts in: a macro's, or a drive's.
  std::size_t start = 0;
  std::string origin = "the folder it starts in";
  if (path.size() >= 2 && path[0] == '%') {
    start = 2;
    origin = "the folder of %" + std::string(1, ToUpperAscii(path[1]));
  } else if (path.size() >= 2 && path[1] == ':') {
    start = 2;
  }
  int depth = 0;
  bool left = false, climbs = false;
  ForEachComponent(std::string_view(path).substr(start), [&](std::string_view view) {
    if (view.empty() || view == ".") return;
    if (view == "..") {
      climbs = true;
      if (--depth < 0) left = true;
      return;
    }
    ++depth;
    const auto shown = [&] { return std::string(view); };
    if (IsDeviceName(view)) {
      fail("path-device",
           "names the device " + ToUpperAscii(std::string(view.substr(0, view.find('.')))) +
               " (\"" + shown() + "\"): Windows opens the device instead of a file or folder");
    } else if (view.back() == '.' || view.back() == ' ') {
      fail("path-trailing", "has the component \"" + shown() +
                                "\" ending in a dot or blank, which Windows drops: the file "
                                "lands under another name");
    } else if (std::any_of(view.begin(), view.end(), [](char c) {
                 return kForbiddenNameCharacters.find(c) != std::string_view::npos ||
                        static_cast<unsigned char>(c) < 0x20;
               })) {
      fail("path-character", "has the component \"" + shown() +
                                 "\" with a character no Windows name may hold (< > : \" | ? *)");
    }
  });
  // Both count the parts after the drive or macro: a ".." first there ("%S..") climbs out.
  if (left) {
    fail("path-leaves", "climbs with \"..\" out of " + origin +
                            ": the uninstaller leaves what such a path names alone");
  } else if (climbs) {
    fail("path-climbs", "has a \"..\" segment: write the folder it means instead");
  }
  const std::string expanded = ExpandMacros(typical, path);
  // Windows counts a path's UTF-16 units.
  if (const std::size_t units = Utf16Length(expanded); units > kPathLimit) {
    fail("path-length", "is " + std::to_string(units) +
                            " characters long in the default destination (\"" + expanded +
                            "\"), more than the 259 Windows writes");
  }
}

}  // namespace setup::mksetup
