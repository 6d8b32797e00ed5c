#include "FindingRules.h"

#include <algorithm>

namespace setup::mksetup {

const std::vector<std::string>& RuleCodes() {
  // In the order of docs/findings.md: the script's form, its header, its lines, its paths, the
  // files it installs, and the other inputs.
  static const std::vector<std::string> codes = {"encoding",        "header",
                                                 "header-short",    "header-shifted",
                                                 "header-code",     "languages",
                                                 "language-code",   "preselect-not-offered",
                                                 "no-name-line",    "name-long",
                                                 "name-backslash",  "no-size-line",
                                                 "size-value",      "readme-language",
                                                 "leading-blank",   "unknown-code",
                                                 "unknown-macro",   "no-folder",
                                                 "shortcut-folder", "addon-key",
                                                 "r-hive",          "r-key-name",
                                                 "r-value-name",    "r-range",
                                                 "x-extension",     "x-description",
                                                 "x-system",        "x-common",
                                                 "path-device",     "path-trailing",
                                                 "path-character",  "path-climbs",
                                                 "path-leaves",     "path-length",
                                                 "duplicate-path",  "not-installed",
                                                 "no-uninstaller",  "uninstaller-arch",
                                                 "source",          "source-kind",
                                                 "source-link",     "unlisted-file",
                                                 "licence",         "picture",
                                                 "identity-syntax", "identity-key",
                                                 "identity-twice",  "identity-empty",
                                                 "identity-long",   "identity-character",
                                                 "identity-folder", "identity-version",
                                                 "identity-number", "identity-url",
                                                 "identity-choice"};
  return codes;
}

bool IsRuleCode(const std::string& code) {
  const std::vector<std::string>& codes = RuleCodes();
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

}  // namespace setup::mksetup
