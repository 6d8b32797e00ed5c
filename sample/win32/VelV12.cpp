// The sample product's program: one window titled with the product name and version, with an
// About text; closes cleanly.
#include <windows.h>

namespace {

constexpr char kTitle[] = "VELTRO 5107! V12 special (12.5.0.114)";
constexpr char kAbout[] =
    "VELTRO 5107! V12 special\r\nVersion (12.5.0.114)\r\n\r\nA sample program installed by the "
    "setup.";

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateWindowA("STATIC", kAbout, WS_CHILD | WS_VISIBLE, 16, 16, 400, 120, window, nullptr,
                    nullptr, nullptr);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = "VelV12Window";
  if (!RegisterClassA(&windowClass)) return 1;
  HWND window = CreateWindowA("VelV12Window", kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 460, 220, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, show);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
