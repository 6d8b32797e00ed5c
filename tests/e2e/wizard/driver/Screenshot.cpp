#include "Screenshot.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/win32/WideText.h"

namespace e2e {
namespace {

struct DcReleaser {
  HWND window;
  void operator()(HDC dc) const { ReleaseDC(window, dc); }
};
struct DcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
struct ObjectDeleter {
  void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// A 24-bit top-down-stored-bottom-up DIB section of the window's size, with its bits.
struct Canvas {
  std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter> dc;
  std::unique_ptr<std::remove_pointer_t<HBITMAP>, ObjectDeleter> bitmap;
  HGDIOBJ previous = nullptr;
  BITMAPINFOHEADER header{};
  unsigned char* bits = nullptr;

  Canvas(HDC screen, int width, int height) : dc(CreateCompatibleDC(screen)) {
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;  // positive: rows stored bottom-up, as a BMP file wants them
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    void* memory = nullptr;
    bitmap.reset(CreateDIBSection(dc.get(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                  &memory, nullptr, 0));
    bits = static_cast<unsigned char*>(memory);
    if (bitmap) previous = SelectObject(dc.get(), bitmap.get());
  }
  ~Canvas() {
    if (previous) SelectObject(dc.get(), previous);
  }
  DWORD RowBytes() const { return (static_cast<DWORD>(header.biWidth) * 3 + 3) & ~3u; }
  DWORD ImageBytes() const { return RowBytes() * static_cast<DWORD>(header.biHeight); }

  bool Flat() const {
    for (DWORD i = 3; i + 3 <= ImageBytes(); i += 3) {
      if (std::memcmp(bits, bits + i, 3) != 0) return false;
    }
    return true;
  }
};

bool WriteBmp(const Canvas& canvas, const std::string& path) {
  const std::string temporary = path + ".part";
  {
    std::unique_ptr<std::FILE, FileCloser> file(
        _wfopen(setup::Utf16FromUtf8(temporary).c_str(), L"wb"));
    if (!file) return false;
    BITMAPFILEHEADER fileHeader{};
    fileHeader.bfType = 0x4D42;  // "BM"
    fileHeader.bfOffBits = sizeof fileHeader + sizeof canvas.header;
    fileHeader.bfSize = fileHeader.bfOffBits + canvas.ImageBytes();
    BITMAPINFOHEADER header = canvas.header;
    header.biSizeImage = canvas.ImageBytes();
    bool ok = std::fwrite(&fileHeader, sizeof fileHeader, 1, file.get()) == 1 &&
              std::fwrite(&header, sizeof header, 1, file.get()) == 1 &&
              std::fwrite(canvas.bits, 1, canvas.ImageBytes(), file.get()) == canvas.ImageBytes();
    if (!ok) return false;
  }
  return MoveFileExW(setup::Utf16FromUtf8(temporary).c_str(), setup::Utf16FromUtf8(path).c_str(),
                     MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace

std::string SaveScreenshot(HWND window, const std::string& path) {
  RECT rect{};
  if (!GetWindowRect(window, &rect)) return {};
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return {};
  std::unique_ptr<std::remove_pointer_t<HDC>, DcReleaser> source(GetWindowDC(window),
                                                                 DcReleaser{window});
  if (!source) return {};
  Canvas canvas(source.get(), width, height);
  if (!canvas.bits) return {};
  GdiFlush();
  std::string method = "bitblt";
  if (!BitBlt(canvas.dc.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY) ||
      (GdiFlush(), canvas.Flat())) {
    method = "printwindow";
    if (!PrintWindow(window, canvas.dc.get(), 0)) return {};
    GdiFlush();
  }
  return WriteBmp(canvas, path) ? method : std::string();
}

}  // namespace e2e
