#pragma once
// Authenticode signing through osslsigncode: a setup.exe after it is built (and its checksum
// written), the uninstaller before it goes into the payload, or a file already built.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "command/Arguments.h"

namespace setup::mksetup {

struct SignOptions {
  std::filesystem::path certificate;          // PEM or DER certificates (the chain)
  std::filesystem::path key;                  // the private key
  std::optional<std::filesystem::path> pass;  // a file holding the key's password
  std::optional<std::string> timestamp;       // an RFC 3161 time-stamping server's URL
  // What Windows' question before a signed program runs names it by (UTF-8): the product name.
  std::optional<std::string> description = std::nullopt;
};

// The options --sign-cert, --sign-key, --sign-pass and --timestamp; nothing without --sign-cert
// and --sign-key. Throws UsageError when only one of the two is given, or another without them.
std::optional<SignOptions> SignOptionsFrom(const Arguments& parsed);

// osslsigncode is never looked up through PATH, which a build job may not control: it is
// $MKSETUP_OSSLSIGNCODE when that is set, else /usr/local/bin/osslsigncode, else
// /usr/bin/osslsigncode (the Debian package's). Throws ToolError when none is there.
std::filesystem::path FindOsslsigncode();

// The command line that signs input into output (a name that must not exist yet).
std::vector<std::string> SignCommandLine(const std::filesystem::path& tool,
                                         const SignOptions& options,
                                         const std::filesystem::path& input,
                                         const std::filesystem::path& output);

// Signs input into target: osslsigncode writes a fresh file beside target, which is renamed to
// target only when signing succeeded, so a failure leaves target as it was (or absent). input
// may be target itself, which is then replaced only by its signed form. Throws
// ToolError(what: reason) with osslsigncode's own lines.
void SignFile(const SignOptions& options, const std::filesystem::path& input,
              const std::filesystem::path& target, const std::string& what);

}  // namespace setup::mksetup
