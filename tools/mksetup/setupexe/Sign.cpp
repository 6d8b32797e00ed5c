#include "Sign.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "io/FileIo.h"
#include "io/ToolError.h"

extern char** environ;

namespace setup::mksetup {
namespace fs = std::filesystem;
namespace {

struct Finished {
  int status = 0;
  std::string output;  // stdout and stderr as they came
};

class Pipe {
 public:
  Pipe() {
    if (::pipe2(ends_, O_CLOEXEC) != 0) {
      throw ToolError(std::string("osslsigncode cannot be started: ") + std::strerror(errno));
    }
  }
  ~Pipe() {
    CloseWrite();
    if (ends_[0] >= 0) ::close(ends_[0]);
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  int Read() const { return ends_[0]; }
  int Write() const { return ends_[1]; }
  void CloseWrite() {
    if (ends_[1] >= 0) ::close(ends_[1]);
    ends_[1] = -1;
  }

 private:
  int ends_[2] = {-1, -1};
};

// Runs the program by its full path (no PATH search, no shell) in a session of its own: without
// a controlling terminal OpenSSL cannot stop to ask for a key's password, which --sign-pass
// gives. stdin is /dev/null.
Finished Run(const std::vector<std::string>& command) {
  std::vector<char*> argv;
  for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  Pipe pipe;
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipe.Write(), 1);
  posix_spawn_file_actions_adddup2(&actions, pipe.Write(), 2);
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  const int started = ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (started != 0) {
    throw ToolError(command[0], std::string("cannot be started: ") + std::strerror(started));
  }
  pipe.CloseWrite();
  Finished finished;
  char buffer[4096];
  ssize_t got;
  while ((got = ::read(pipe.Read(), buffer, sizeof buffer)) != 0) {
    if (got > 0)
      finished.output.append(buffer, static_cast<std::size_t>(got));
    else if (errno != EINTR)
      break;
  }
  while (::waitpid(pid, &finished.status, 0) < 0 && errno == EINTR) {
  }
  return finished;
}

// osslsigncode's own lines, without OpenSSL's error stack ("40C0...:error:...") or its prompt.
std::string Reason(const std::string& output) {
  std::string reason, line;
  const auto take = [&] {
    const std::string prompt = "Enter PEM pass phrase:";
    for (std::size_t at; (at = line.find(prompt)) != std::string::npos;)
      line.erase(at, prompt.size());
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    const std::size_t start = line.find_first_not_of(" \t");
    line = start == std::string::npos ? "" : line.substr(start);
    const std::size_t colon = line.find(":error:");
    const bool stack = colon != std::string::npos && colon > 0 &&
                       line.find_first_not_of("0123456789ABCDEFabcdef") == colon;
    if (!line.empty() && !stack && line != "Failed") reason += (reason.empty() ? "" : "; ") + line;
    line.clear();
  };
  for (char c : output) {
    if (c == '\n')
      take();
    else
      line += c;
  }
  take();
  return reason.empty() ? "osslsigncode gave no reason" : reason;
}

void MustExist(const fs::path& file, const char* what) {
  std::error_code error;
  if (!fs::is_regular_file(file, error)) {
    throw ToolError(file.string(), std::string("the ") + what + " does not exist");
  }
}

}  // namespace

std::optional<SignOptions> SignOptionsFrom(const Arguments& parsed) {
  const std::optional<std::string> certificate = parsed.Value("--sign-cert");
  const std::optional<std::string> key = parsed.Value("--sign-key");
  const std::optional<std::string> pass = parsed.Value("--sign-pass");
  const std::optional<std::string> timestamp = parsed.Value("--timestamp");
  if (!certificate && !key) {
    if (pass || timestamp) {
      throw UsageError(std::string(pass ? "--sign-pass" : "--timestamp") +
                       " needs --sign-cert and --sign-key");
    }
    return std::nullopt;
  }
  if (!certificate || !key) throw UsageError("--sign-cert and --sign-key go together");
  SignOptions options{*certificate, *key, std::nullopt, timestamp};
  if (pass) options.pass = *pass;
  return options;
}

fs::path FindOsslsigncode() {
  if (const char* value = std::getenv("MKSETUP_OSSLSIGNCODE"); value && *value) {
    const fs::path given(value);
    std::error_code error;
    if (!fs::is_regular_file(given, error) || ::access(value, X_OK) != 0) {
      throw ToolError(given.string(), "MKSETUP_OSSLSIGNCODE names no program");
    }
    return given;
  }
  for (const char* candidate : {"/usr/local/bin/osslsigncode", "/usr/bin/osslsigncode"}) {
    if (::access(candidate, X_OK) == 0) return candidate;
  }
  throw ToolError(
      "osslsigncode: not found in /usr/local/bin or /usr/bin (install the Debian package "
      "osslsigncode, or set MKSETUP_OSSLSIGNCODE to its full path)");
}

std::vector<std::string> SignCommandLine(const fs::path& tool, const SignOptions& options,
                                         const fs::path& input, const fs::path& output) {
  std::vector<std::string> command = {
      tool.string(), "sign", "-certs", options.certificate.string(), "-key", options.key.string()};
  if (options.pass) command.insert(command.end(), {"-readpass", options.pass->string()});
  if (options.timestamp) command.insert(command.end(), {"-ts", *options.timestamp});
  if (options.description) command.insert(command.end(), {"-n", *options.description});
  command.insert(command.end(), {"-h", "sha256", "-in", input.string(), "-out", output.string()});
  return command;
}

void SignFile(const SignOptions& options, const fs::path& input, const fs::path& target,
              const std::string& what) {
  const fs::path tool = FindOsslsigncode();
  MustExist(options.certificate, "signing certificate");
  MustExist(options.key, "signing key");
  if (options.pass) MustExist(*options.pass, "password file");
  // osslsigncode refuses to overwrite its output, and a stale scratch file of a crashed run
  // may carry this process's number.
  const TemporaryFile signedFile(target);
  std::error_code error;
  fs::remove(signedFile.Path(), error);
  const Finished finished = Run(SignCommandLine(tool, options, input, signedFile.Path()));
  if (!WIFEXITED(finished.status) || WEXITSTATUS(finished.status) != 0) {
    throw ToolError(what, "signing failed: " + Reason(finished.output));
  }
  if (!fs::is_regular_file(signedFile.Path(), error) || fs::file_size(signedFile.Path()) == 0) {
    throw ToolError(what, "signing failed: osslsigncode wrote no signed file");
  }
  fs::permissions(signedFile.Path(), fs::status(input).permissions(), error);
  fs::rename(signedFile.Path(), target, error);
  if (error) throw ToolError(what, "cannot be written: " + error.message());
}

}  // namespace setup::mksetup
