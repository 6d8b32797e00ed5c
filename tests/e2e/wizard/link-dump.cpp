// link-dump.exe LINK... : loads each shortcut file through IShellLinkA, as the shell reads it,
// and prints one line per field: "LINK path", "TARGET path", "WORKDIR folder", "ARGS text".
// Exit code 1 when a shortcut cannot be loaded.
#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

template <typename T>
struct ComPtr {
  T* p = nullptr;
  ~ComPtr() {
    if (p) p->Release();
  }
};

struct ComSession {
  ComSession() { CoInitialize(nullptr); }
  ~ComSession() { CoUninitialize(); }
};

bool Dump(const char* path) {
  ComPtr<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link.p)))) {
    return false;
  }
  ComPtr<IPersistFile> file;
  if (FAILED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p)))) {
    return false;
  }
  wchar_t wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH);
  if (FAILED(file.p->Load(wide, STGM_READ))) return false;
  char target[MAX_PATH] = {}, folder[MAX_PATH] = {}, arguments[1024] = {};
  // SLGP_RAWPATH: the path as stored, not resolved against what exists now.
  link.p->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
  link.p->GetWorkingDirectory(folder, MAX_PATH);
  link.p->GetArguments(arguments, sizeof arguments);
  std::printf("LINK %s\r\nTARGET %s\r\nWORKDIR %s\r\nARGS %s\r\n", path, target, folder, arguments);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  ComSession com;
  int rc = 0;
  for (int i = 1; i < argc; ++i) {
    if (!Dump(argv[i])) {
      std::printf("LINK %s\r\nUNREADABLE\r\n", argv[i]);
      rc = 1;
    }
  }
  return rc;
}
