// Reports the pictures, icon, manifest and version resource of a module as Windows loads them.
//   picture-probe.exe REPORT DUMP_DIR MODULE|- [ID@X,Y | ID@X0,Y0,X1,Y1 ...]
// MODULE "-" is the probe itself (it carries the resources). Every bitmap is also written as
// DUMP_DIR\bitmap-ID.ppm, the manifest as DUMP_DIR\manifest.xml, and the program icon and the
// icon Explorer takes from the file (ExtractIconEx), drawn 32x32 over magenta, as
// DUMP_DIR\program-icon.ppm and DUMP_DIR\explorer-icon.ppm. ID@X,Y reports the named
// colour nearest to that pixel and its value, ID@X0,Y0,X1,Y1 the mean luminance of that rectangle.
// Exit code 0 when the report was written, 90 when the probe itself failed.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/ProgramStart.h"
#include "platform/win32/WideText.h"
#include "wizard/ControlIds.h"

namespace {

using namespace setup::controlids;

constexpr int kBitmaps[] = {
    kLogoBitmap,          kEnglishUSFlagBitmap,    kGermanFlagBitmap,      kFrenchFlagBitmap,
    kProgramFolderBitmap, kQuickLaunchBarMEBitmap, kQuickLaunchBarXPBitmap};

struct NamedColour {
  const char* name;
  int r, g, b;
};
constexpr NamedColour kColours[] = {
    {"black", 0, 0, 0},    {"white", 255, 255, 255}, {"grey", 192, 192, 192},
    {"red", 200, 20, 40},  {"gold", 255, 206, 0},    {"yellow", 250, 210, 90},
    {"blue", 20, 50, 150}, {"green", 60, 150, 60},
};

constexpr const char* kVersionStrings[] = {
    "CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTrademarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments"};

struct Module {
  HMODULE handle = nullptr;
  bool owned = false;
  ~Module() {
    if (owned && handle) FreeLibrary(handle);
  }
};

struct Bitmap {
  HBITMAP handle;
  ~Bitmap() {
    if (handle) DeleteObject(handle);
  }
};

struct Bytes {
  const std::uint8_t* data = nullptr;
  DWORD size = 0;
};

Bytes RawResource(HMODULE module, LPCWSTR name, LPCWSTR type) {
  HRSRC found = FindResourceW(module, name, type);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module, found);
  if (!loaded) return {};
  return {static_cast<const std::uint8_t*>(LockResource(loaded)), SizeofResource(module, found)};
}

template <typename T>
T Read(const Bytes& bytes, DWORD offset) {
  T value{};
  if (offset + sizeof(T) <= bytes.size) std::memcpy(&value, bytes.data + offset, sizeof(T));
  return value;
}

struct Pixels {
  int width = 0, height = 0;
  std::vector<std::uint32_t> bgra;  // top row first
  int Channel(int x, int y, int shift) const { return (bgra[y * width + x] >> shift) & 0xFF; }
};

// The bitmap as LoadImage gives it to a view, read back as 32-bit pixels.
bool LoadPixels(HMODULE module, int id, Pixels& pixels) {
  Bitmap bitmap{static_cast<HBITMAP>(
      LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))};
  BITMAP info{};
  if (!bitmap.handle || !GetObjectW(bitmap.handle, sizeof info, &info)) return false;
  pixels.width = info.bmWidth;
  pixels.height = info.bmHeight;
  pixels.bgra.assign(static_cast<size_t>(info.bmWidth) * info.bmHeight, 0);
  BITMAPINFO request{};
  request.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  request.bmiHeader.biWidth = info.bmWidth;
  request.bmiHeader.biHeight = -info.bmHeight;  // top row first
  request.bmiHeader.biPlanes = 1;
  request.bmiHeader.biBitCount = 32;
  request.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  int rows = GetDIBits(screen, bitmap.handle, 0, info.bmHeight, pixels.bgra.data(), &request,
                       DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return rows == info.bmHeight;
}

void WritePpm(const std::string& path, const Pixels& pixels) {
  std::FILE* f = _wfopen(setup::Utf16FromUtf8(path).c_str(), L"wb");
  if (!f) return;
  std::fprintf(f, "P6\n%d %d\n255\n", pixels.width, pixels.height);
  for (int y = 0; y < pixels.height; ++y)
    for (int x = 0; x < pixels.width; ++x)
      for (int shift : {16, 8, 0}) std::fputc(pixels.Channel(x, y, shift), f);
  std::fclose(f);
}

void ReportBitmap(std::FILE* report, HMODULE module, int id, const std::string& dumpDir) {
  Bytes raw = RawResource(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(2));  // RT_BITMAP
  if (raw.size < sizeof(BITMAPINFOHEADER)) {
    std::fprintf(report, "bitmap %d missing\n", id);
    return;
  }
  auto header = Read<BITMAPINFOHEADER>(raw, 0);
  DWORD palette = header.biClrUsed         ? header.biClrUsed
                  : header.biBitCount <= 8 ? 1u << header.biBitCount
                                           : 0u;
  std::fprintf(report, "bitmap %d %ldx%ld bpp=%u palette=%lu", id, header.biWidth, header.biHeight,
               header.biBitCount, palette);
  Pixels pixels;
  if (LoadPixels(module, id, pixels)) {
    std::fprintf(report, " loaded=%dx%d\n", pixels.width, pixels.height);
    WritePpm(dumpDir + "\\bitmap-" + std::to_string(id) + ".ppm", pixels);
  } else {
    std::fprintf(report, " loaded=no\n");
  }
}

const char* NearestColour(const Pixels& p, int x, int y) {
  const char* best = "?";
  long bestDistance = -1;
  for (const auto& c : kColours) {
    long dr = p.Channel(x, y, 16) - c.r, dg = p.Channel(x, y, 8) - c.g,
         db = p.Channel(x, y, 0) - c.b;
    long distance = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || distance < bestDistance) best = c.name, bestDistance = distance;
  }
  return best;
}

int MeanLuminance(const Pixels& p, int x0, int y0, int x1, int y1) {
  double sum = 0;
  int count = 0;
  for (int y = y0; y < y1 && y < p.height; ++y)
    for (int x = x0; x < x1 && x < p.width; ++x, ++count)
      sum += 0.299 * p.Channel(x, y, 16) + 0.587 * p.Channel(x, y, 8) + 0.114 * p.Channel(x, y, 0);
  return count ? static_cast<int>(sum / count + 0.5) : -1;
}

void ReportQuery(std::FILE* report, HMODULE module, const char* query) {
  int id = 0, v[4] = {};
  int n = std::sscanf(query, "%d@%d,%d,%d,%d", &id, &v[0], &v[1], &v[2], &v[3]);
  Pixels p;
  if ((n != 3 && n != 5) || !LoadPixels(module, id, p)) {
    std::fprintf(report, "query %s unreadable\n", query);
  } else if (n == 3) {
    bool inside = v[0] >= 0 && v[1] >= 0 && v[0] < p.width && v[1] < p.height;
    if (!inside) {
      std::fprintf(report, "sample %s outside\n", query);
    } else {
      std::fprintf(report, "sample %s %s #%02X%02X%02X\n", query, NearestColour(p, v[0], v[1]),
                   p.Channel(v[0], v[1], 16), p.Channel(v[0], v[1], 8), p.Channel(v[0], v[1], 0));
    }
  } else {
    std::fprintf(report, "luminance %s %d\n", query, MeanLuminance(p, v[0], v[1], v[2], v[3]));
  }
}

BOOL CALLBACK FirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
  auto* first = reinterpret_cast<std::string*>(param);
  *first = IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<UINT_PTR>(name))
                                : setup::Utf8FromUtf16(name);
  return FALSE;
}

// An icon group's first image, with the facts the group's directory gives about it.
struct IconImage {
  int count = 0, width = 0, height = 0, bits = 0;
  Bytes image;
};

IconImage FirstIconImage(HMODULE module, LPCWSTR group) {
  Bytes dir = RawResource(module, group, MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  IconImage icon;
  if (dir.size < 6 + 14) return icon;
  icon.count = Read<WORD>(dir, 4);
  icon.width = Read<BYTE>(dir, 6) ? Read<BYTE>(dir, 6) : 256;
  icon.height = Read<BYTE>(dir, 7) ? Read<BYTE>(dir, 7) : 256;
  icon.bits = Read<WORD>(dir, 12);
  icon.image = RawResource(module, MAKEINTRESOURCEW(Read<WORD>(dir, 18)), MAKEINTRESOURCEW(3));
  return icon;
}

bool SameBytes(const Bytes& a, const Bytes& b) {
  return a.data && b.data && a.size == b.size && std::memcmp(a.data, b.data, a.size) == 0;
}

void ReportIcons(std::FILE* report, HMODULE module) {
  IconImage icon = FirstIconImage(module, MAKEINTRESOURCEW(kProgramIcon));
  auto header = Read<BITMAPINFOHEADER>(icon.image, 0);
  auto rowBytes = [](int width, int bits) {
    return static_cast<DWORD>((width * bits + 31) / 32 * 4);
  };
  // The image holds the colour rows and then the AND mask, one bit a pixel.
  bool mask = header.biHeight == 2 * icon.height &&
              icon.image.size == header.biSize +
                                     rowBytes(icon.width, header.biBitCount) * icon.height +
                                     rowBytes(icon.width, 1) * icon.height;
  HICON loaded =
      static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(kProgramIcon), IMAGE_ICON, 32, 32, 0));
  std::fprintf(report, "icon %d images=%d %dx%d bpp=%d image-bpp=%u mask=%s loaded=%s\n",
               kProgramIcon, icon.count, icon.width, icon.height, icon.bits, header.biBitCount,
               mask ? "yes" : "no", loaded ? "yes" : "no");
  if (loaded) DestroyIcon(loaded);
  std::string first;
  EnumResourceNamesW(module, MAKEINTRESOURCEW(14), FirstName, reinterpret_cast<LONG_PTR>(&first));
  const std::wstring firstName = setup::Utf16FromUtf8(first);
  IconImage shown = FirstIconImage(
      module, first[0] == '#' ? MAKEINTRESOURCEW(std::stoi(first.substr(1))) : firstName.c_str());
  std::fprintf(report, "first-icon-group %s same-image=%s\n", first.c_str(),
               SameBytes(shown.image, icon.image) ? "yes" : "no");
}

// The icon as a view draws it: DrawIconEx over magenta, which shows where its mask lets through.
void DumpIcon(HICON icon, const std::string& path) {
  if (!icon) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 32;
  info.bmiHeader.biHeight = -32;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Bitmap canvas{CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0)};
  if (!canvas.handle || !bits) return;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, canvas.handle);
  Pixels pixels;
  pixels.width = pixels.height = 32;
  pixels.bgra.assign(32 * 32, 0x00FF00FFu);
  std::memcpy(bits, pixels.bgra.data(), pixels.bgra.size() * 4);
  DrawIconEx(dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
  GdiFlush();
  std::memcpy(pixels.bgra.data(), bits, pixels.bgra.size() * 4);
  SelectObject(dc, old);
  DeleteDC(dc);
  WritePpm(path, pixels);
}

void DumpIcons(HMODULE module, const std::string& path, const std::string& dumpDir) {
  HICON program =
      static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(kProgramIcon), IMAGE_ICON, 32, 32, 0));
  DumpIcon(program, dumpDir + "\\program-icon.ppm");
  if (program) DestroyIcon(program);
  HICON large = nullptr;
  if (ExtractIconExW(setup::Utf16FromUtf8(path).c_str(), 0, &large, nullptr, 1) == 1 && large) {
    DumpIcon(large, dumpDir + "\\explorer-icon.ppm");
    DestroyIcon(large);
  }
}

void ReportManifest(std::FILE* report, HMODULE module, const std::string& dumpDir) {
  Bytes manifest = RawResource(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  std::fprintf(report, "manifest 1 %s\n", manifest.data ? "present" : "missing");
  if (!manifest.data) return;
  if (std::FILE* f = _wfopen(setup::Utf16FromUtf8(dumpDir + "\\manifest.xml").c_str(), L"wb")) {
    std::fwrite(manifest.data, 1, manifest.size, f);
    std::fclose(f);
  }
}

void ReportVersion(std::FILE* report, const std::string& path) {
  const std::wstring widePath = setup::Utf16FromUtf8(path);
  DWORD ignored = 0, size = GetFileVersionInfoSizeW(widePath.c_str(), &ignored);
  std::vector<char> data(size);
  if (!size || !GetFileVersionInfoW(widePath.c_str(), 0, size, data.data())) {
    std::fprintf(report, "version missing\n");
    return;
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
    std::fprintf(report, "version file=%lu.%lu.%lu.%lu product=%lu.%lu.%lu.%lu type=%lu\n",
                 fixed->dwFileVersionMS >> 16, fixed->dwFileVersionMS & 0xFFFF,
                 fixed->dwFileVersionLS >> 16, fixed->dwFileVersionLS & 0xFFFF,
                 fixed->dwProductVersionMS >> 16, fixed->dwProductVersionMS & 0xFFFF,
                 fixed->dwProductVersionLS >> 16, fixed->dwProductVersionLS & 0xFFFF,
                 fixed->dwFileType);
  }
  WORD* translation = nullptr;
  if (VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                     reinterpret_cast<void**>(&translation), &length)) {
    for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2)
      std::fprintf(report, "translation %04X %04X\n", translation[i], translation[i + 1]);
  }
  for (const char* name : kVersionStrings) {
    const std::wstring key =
        setup::Utf16FromUtf8(std::string("\\StringFileInfo\\040704E4\\") + name);
    wchar_t* value = nullptr;
    if (VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) {
      // The length counts UTF-16 units, the NUL among them; the value is reported in UTF-8.
      std::wstring_view text = value ? std::wstring_view(value, length) : std::wstring_view();
      text = text.substr(0, text.find(L'\0'));
      std::fprintf(report, "string %s=[%s]\n", name, setup::Utf8FromUtf16(text).c_str());
    } else
      std::fprintf(report, "string %s missing\n", name);
  }
}

}  // namespace

int main() {
  const std::vector<std::string> args = setup::ProgramArguments();
  const int argc = static_cast<int>(args.size());
  if (argc < 4) {
    std::fprintf(stderr, "usage: picture-probe REPORT DUMP_DIR MODULE|- [ID@X,Y ...]\n");
    return 90;
  }
  std::string dumpDir = args[2], path = args[3];
  Module module;
  if (path == "-") {
    module.handle = GetModuleHandleW(nullptr);
    path = setup::ProgramPath();
  } else {
    module.handle =
        LoadLibraryExW(setup::Utf16FromUtf8(path).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    module.owned = true;
  }
  std::FILE* report = _wfopen(setup::Utf16FromUtf8(args[1]).c_str(), L"w");
  if (!module.handle || !report) {
    std::fprintf(stderr, "picture-probe: cannot open %s or %s\n", path.c_str(), args[1].c_str());
    return 90;
  }
  for (int id : kBitmaps) ReportBitmap(report, module.handle, id, dumpDir);
  ReportIcons(report, module.handle);
  DumpIcons(module.handle, path, dumpDir);
  ReportManifest(report, module.handle, dumpDir);
  ReportVersion(report, path);
  for (int i = 4; i < argc; ++i) ReportQuery(report, module.handle, args[i].c_str());
  std::fclose(report);
  return 0;
}
