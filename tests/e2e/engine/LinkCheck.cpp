// link-check.exe REPORT LINK...: loads each shell link through IShellLinkA and IPersistFile and
// writes what it holds, one "Name=[value]" per line: Link, Path, WorkingFolder, Arguments, and
// Description and Icon when they are set; "Error=[...]" for a link that cannot be loaded.
// An argument @LIST names a file of link paths, one per line, in the ANSI code page: a batch
// file's command line is read in the console code page and would change such paths.
// Exit code: 0 when every link loaded, 1 otherwise, 2 bad command line.
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win32/Win32Owned.h"

namespace {

using setup::win32::ComPtr;

void Field(std::string& out, const char* name, const std::string& value) {
  out += std::string(name) + "=[" + value + "]\r\n";
}

std::wstring Wide(const std::string& text) {
  int units = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(units, L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), units);
  wide.resize(units - 1);
  return wide;
}

// One getter of IShellLinkA that fills a char buffer.
template <typename Getter>
std::string Text(Getter get) {
  char buffer[MAX_PATH * 4] = {};
  if (FAILED(get(buffer, static_cast<int>(sizeof buffer)))) return {};
  return buffer;
}

bool Describe(std::string& out, const std::string& path) {
  Field(out, "Link", path);
  ComPtr<IShellLinkA> link;
  ComPtr<IPersistFile> file;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              link.PutVoid())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid())) ||
      FAILED(file->Load(Wide(path).c_str(), STGM_READ))) {
    Field(out, "Error", "cannot load");
    return false;
  }
  IShellLinkA* shell = link.Get();
  Field(out, "Path",
        Text([&](char* b, int n) { return shell->GetPath(b, n, nullptr, SLGP_RAWPATH); }));
  Field(out, "WorkingFolder",
        Text([&](char* b, int n) { return shell->GetWorkingDirectory(b, n); }));
  Field(out, "Arguments", Text([&](char* b, int n) { return shell->GetArguments(b, n); }));
  const std::string description = Text([&](char* b, int n) { return shell->GetDescription(b, n); });
  if (!description.empty()) Field(out, "Description", description);
  int icon = 0;
  const std::string iconPath =
      Text([&](char* b, int n) { return shell->GetIconLocation(b, n, &icon); });
  if (!iconPath.empty()) Field(out, "Icon", iconPath + "," + std::to_string(icon));
  return true;
}

// The links an argument names: itself, or the lines of its @LIST file (CR LF or LF).
std::vector<std::string> LinksOf(const std::string& arg) {
  if (arg.empty() || arg[0] != '@') return {arg};
  std::ifstream list(arg.substr(1), std::ios::binary);
  std::vector<std::string> links;
  std::string line;
  while (std::getline(list, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) links.push_back(line);
  }
  return links;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: link-check REPORT LINK...\n");
    return 2;
  }
  setup::win32::ComApartment com;
  std::string out;
  bool all = true;
  for (int i = 2; i < argc; ++i) {
    for (const std::string& link : LinksOf(argv[i])) all = Describe(out, link) && all;
  }
  std::FILE* report = std::fopen(argv[1], "wb");
  if (!report) return 2;
  std::fwrite(out.data(), 1, out.size(), report);
  std::fclose(report);
  return all ? 0 : 1;
}
