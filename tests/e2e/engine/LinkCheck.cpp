// link-check.exe REPORT LINK...: loads each shell link through IShellLinkW and IPersistFile and
// writes what it holds in UTF-8, one "Name=[value]" per line: Link, Path, WorkingFolder,
// Arguments, and Description and Icon when they are set; "Error=[...]" for a link that cannot be
// loaded. An argument @LIST names a file of link paths, one per line, in UTF-8: a batch file's
// command line is read in the console code page and would change such paths.
// Exit code: 0 when every link loaded, 1 otherwise, 2 bad command line.
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/ProgramStart.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Owned.h"

namespace {

using setup::win32::ComPtr;

void Field(std::string& out, const char* name, const std::string& value) {
  out += std::string(name) + "=[" + value + "]\r\n";
}

// One getter of IShellLinkW that fills a buffer of UTF-16 units.
template <typename Getter>
std::string Text(Getter get) {
  constexpr int kUnits = MAX_PATH * 4;
  wchar_t buffer[kUnits] = {};
  if (FAILED(get(buffer, kUnits))) return {};
  return setup::Utf8FromUtf16(buffer);
}

// Wine's GetPath answers from the link's ANSI copy of the path, where a name outside the code
// page has become question marks; the link's ID list holds every name in UTF-16, and is what the
// shell opens. A question mark is in no Windows path, so only such a path is taken from the list.
std::string TargetPath(IShellLinkW* shell) {
  std::string raw =
      Text([&](wchar_t* b, int n) { return shell->GetPath(b, n, nullptr, SLGP_RAWPATH); });
  if (raw.find('?') == std::string::npos) return raw;
  PIDLIST_ABSOLUTE list = nullptr;
  if (FAILED(shell->GetIDList(&list)) || list == nullptr) return raw;
  constexpr int kUnits = MAX_PATH * 4;
  wchar_t buffer[kUnits] = {};
  const bool resolved = SHGetPathFromIDListEx(list, buffer, kUnits, GPFIDL_DEFAULT);
  CoTaskMemFree(list);
  return resolved ? setup::Utf8FromUtf16(buffer) : raw;
}

bool Describe(std::string& out, const std::string& path) {
  Field(out, "Link", path);
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.PutVoid())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid())) ||
      FAILED(file->Load(setup::Utf16FromUtf8(path).c_str(), STGM_READ))) {
    Field(out, "Error", "cannot load");
    return false;
  }
  IShellLinkW* shell = link.Get();
  Field(out, "Path", TargetPath(shell));
  Field(out, "WorkingFolder",
        Text([&](wchar_t* b, int n) { return shell->GetWorkingDirectory(b, n); }));
  Field(out, "Arguments", Text([&](wchar_t* b, int n) { return shell->GetArguments(b, n); }));
  const std::string description =
      Text([&](wchar_t* b, int n) { return shell->GetDescription(b, n); });
  if (!description.empty()) Field(out, "Description", description);
  int icon = 0;
  const std::string iconPath =
      Text([&](wchar_t* b, int n) { return shell->GetIconLocation(b, n, &icon); });
  if (!iconPath.empty()) Field(out, "Icon", iconPath + "," + std::to_string(icon));
  return true;
}

// The links an argument names: itself, or the lines of its @LIST file (CR LF or LF).
std::vector<std::string> LinksOf(const std::string& arg) {
  if (arg.empty() || arg[0] != '@') return {arg};
  std::FILE* list = _wfopen(setup::Utf16FromUtf8(arg.substr(1)).c_str(), L"rb");
  if (!list) return {};
  std::string text;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, list)) > 0;)
    text.append(buffer, got);
  std::fclose(list);
  std::istringstream lines(text);
  std::vector<std::string> links;
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) links.push_back(line);
  }
  return links;
}

}  // namespace

int main() {
  const std::vector<std::string> args = setup::ProgramArguments();
  const int argc = static_cast<int>(args.size());
  if (argc < 3) {
    std::fprintf(stderr, "usage: link-check REPORT LINK...\n");
    return 2;
  }
  setup::win32::ComApartment com;
  std::string out;
  bool all = true;
  for (int i = 2; i < argc; ++i) {
    for (const std::string& link : LinksOf(args[i])) all = Describe(out, link) && all;
  }
  std::FILE* report = _wfopen(setup::Utf16FromUtf8(args[1]).c_str(), L"wb");
  if (!report) return 2;
  std::fwrite(out.data(), 1, out.size(), report);
  std::fclose(report);
  return all ? 0 : 1;
}
