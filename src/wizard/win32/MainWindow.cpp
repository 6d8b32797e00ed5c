#include "wizard/win32/MainWindow.h"

#include <exception>
#include <string>

#include "platform/win32/WideText.h"

#include "wizard/ControlIds.h"
#include "wizard/DialogLayout.h"
#include "wizard/ErrorDisplay.h"
#include "wizard/ViewInput.h"
#include "wizard/win32/BannerView.h"
#include "wizard/win32/ControlWindows.h"
#include "wizard/win32/DialogEvents.h"
#include "wizard/win32/DirectoryListView.h"

namespace setup::view {
namespace {

using namespace controlids;

constexpr COLORREF kNavy = RGB(0, 0, 128);

}  // namespace

MainWindow::MainWindow(HINSTANCE module, TMorvexDialog& dialog, Win32UserInterface& ui,
                       ShownUserInterface& shownUi, StartTiming& timing)
    : module_(module),
      dialog_(dialog),
      ui_(ui),
      shownUi_(shownUi),
      timing_(timing),
      pictures_(module) {}

MainWindow::~MainWindow() {
  if (window_) DestroyWindow(window_);
  ui_.SetOwner(nullptr);
  ui_.SetRepaint(nullptr);
  ui_.SetStillWorking(nullptr);
  shownUi_.SetBeforeQuestion(nullptr);
}

bool MainWindow::Create() {
  const std::wstring className = Utf16FromUtf8(kDialogClass);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = module_;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = className.c_str();
  if (!RegisterClassW(&windowClass)) return false;
  // No frame at all: the window rectangle is the 621 x 424 client area, centred.
  const int left = (GetSystemMetrics(SM_CXSCREEN) - kClientWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - kClientHeight) / 2;
  CreateWindowExW(0, className.c_str(), Utf16FromUtf8(kApplicationTitle).c_str(),
                  WS_POPUP | WS_CLIPCHILDREN, left, top, kClientWidth, kClientHeight, nullptr,
                  nullptr, module_, this);
  if (!window_ || !CreateControls()) return false;
  ui_.SetOwner(window_);
  ui_.SetRepaint([this](const ControlPaint&) { PacedRepaint(); });
  ui_.SetStillWorking([this] { PacedRepaint(); });
  shownUi_.SetBeforeQuestion([this] {
    if (busy_) RepaintNow();
  });
  return true;
}

bool MainWindow::CreateControls() {
  for (const LayoutEntry& entry : DialogLayout()) {
    HWND control = CreateControlWindow(window_, entry, fonts_, pictures_);
    if (!control) return false;
    sync_.Add(entry, control);
  }
  return true;
}

void MainWindow::Show() {
  dialog_.Show();
  if (dialog_.Closed()) {
    DestroyWindow(window_);
    return;
  }
  sync_.Push(dialog_.Controls);
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  KeepFocus();
  RedrawWindow(window_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  timing_.FirstPaint();
}

// Enter is left to the dialog manager, which presses the default button (DM_GETDEFID) unless the
// focused control asks for the key: only the open drive list does, to end its choice (no edit
// box here has ES_WANTRETURN). The directory list does not ask for it, so Enter leaves the
// destination page as Next does wherever the focus is; a folder of the list opens on a double
// click. This window is no dialog box, so a focused Back or Cancel does not take the default
// role from Next as it would in one: Enter presses Next there too.
bool MainWindow::TranslateKeys(MSG& message) {
  if (!window_) return false;
  // The licence memo keeps Esc to itself: the cancel button gets it all the same, unless the
  // drive list is open, which Esc closes.
  HWND driveList = sync_.WindowOf(kDestinationDriveBox);
  if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE &&
      IsChild(window_, message.hwnd) && !SendMessageW(driveList, CB_GETDROPPEDSTATE, 0, 0)) {
    OnCommand(kEscapeCommandId, BN_CLICKED, nullptr);
    return true;
  }
  if (message.message == WM_KEYDOWN && message.wParam == VK_TAB &&
      (message.hwnd == window_ || IsChild(window_, message.hwnd)) &&
      !(SendMessageW(message.hwnd, WM_GETDLGCODE, VK_TAB, 0) & DLGC_WANTTAB)) {
    const bool backwards = GetKeyState(VK_SHIFT) < 0;
    const int next = NextTabStop(dialog_.Controls, GetDlgCtrlID(GetFocus()), backwards);
    if (next) MoveFocus(reinterpret_cast<WPARAM>(sync_.WindowOf(next)), true);
    return true;
  }
  return IsDialogMessageW(window_, &message);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    self->window_ = nullptr;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return self->OnMessage(message, wParam, lParam);
}

LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_DRAWITEM:
      return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_MEASUREITEM: {
      auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (item.CtlID == static_cast<UINT>(kDestinationDirectoryBox)) {
        item.itemHeight = kDirectoryItemHeight;
      }
      return TRUE;
    }
    case WM_CTLCOLOREDIT:
      return OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam),
                             DefWindowProcW(window_, message, wParam, lParam));
    case DM_GETDEFID: {
      const int id = DefaultButtonId(dialog_.Controls);
      return id ? MAKELRESULT(id, DC_HASDEFID) : 0;
    }
    case WM_NEXTDLGCTL:
      MoveFocus(wParam, lParam != 0);
      return 0;
    case WM_CLOSE:  // Alt+F4: the wizard's only way out is its cancel button
      OnCommand(kCancelBtn, BN_CLICKED, sync_.WindowOf(kCancelBtn));
      return 0;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wParam) != WA_INACTIVE);
      return 0;
    case WM_DESTROY:
      ui_.SetOwner(nullptr);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

void MainWindow::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  RECT client;
  GetClientRect(window_, &client);
  DrawEdge(dc, &client, EDGE_RAISED, BF_RECT);  // BigPanel: 2 pixels
  RECT panel{kButtonPanelRect.x, kButtonPanelRect.y, kButtonPanelRect.x + kButtonPanelRect.width,
             kButtonPanelRect.y + kButtonPanelRect.height};
  DrawEdge(dc, &panel, BDR_RAISEDINNER, BF_RECT);  // ButtonPanel: 1 pixel
  EndPaint(window_, &paint);
}

// Esc arrives as IDCANCEL from the dialog manager; a disabled control takes no input, also not
// a BM_CLICK sent to it (ClickedControl).
void MainWindow::OnCommand(int id, WORD notification, HWND control) {
  if (busy_) return;
  if (const SelectionBinding* binding = FindSelectionBinding(id, notification)) {
    const LayoutEntry* entry = FindLayoutEntry(id);
    if (!(dialog_.Controls.*entry->control).Enabled) return;
    const int index = static_cast<int>(SendMessageW(control, binding->getSelection, 0, 0));
    UserEvent([this, binding, index] {
      try {
        (dialog_.*binding->handler)(index);
      } catch (const std::exception& error) {
        dialog_.ShowError(error.what());
      }
    });
    return;
  }
  if (notification != BN_CLICKED) return;
  const bool selected = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
  const int clicked = ClickedControl(dialog_.Controls, id, selected);
  if (!clicked) return;
  auto handler = ClickHandler(clicked);
  UserEvent([this, handler] {
    if (handler) dialog_.Handle(handler);
  });
}

void MainWindow::UserEvent(const std::function<void()>& call) {
  busy_ = true;
  sync_.CopyInput(dialog_.Controls);
  call();
  sync_.Push(dialog_.Controls);
  busy_ = false;
  if (dialog_.Closed()) {
    DestroyWindow(window_);
    return;
  }
  KeepFocus();
}

// The installation run pumps no messages: every change it reports is drawn at once.
void MainWindow::RepaintNow() {
  if (!window_) return;
  sync_.Push(dialog_.Controls);
  RedrawWindow(window_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void MainWindow::PacedRepaint() {
  const DialogControls& controls = dialog_.Controls;
  if (pacing_.Due(controls.PercentLabel.Text, controls.ProgressBar.Position,
                  controls.ActionLabel.Text, GetTickCount())) {
    RepaintNow();
  }
}

// After a page change the focused control may be hidden or disabled: the focus moves on.
void MainWindow::KeepFocus() {
  if (!window_ || GetActiveWindow() != window_) return;
  HWND focus = GetFocus();
  if (focus && IsChild(window_, focus) && IsWindowVisible(focus) && IsWindowEnabled(focus)) {
    return;
  }
  if (const int first = FirstFocus(dialog_.Controls)) SetFocus(sync_.WindowOf(first));
}

// The Tab key follows the keyboard order of the layout rather than the order of the windows.
// The dialog manager may ask the window to move the focus, as a dialog box would: to the given
// control, or to the next or previous tab stop. An edit box gets its text selected.
void MainWindow::MoveFocus(WPARAM target, bool isWindow) {
  HWND next =
      isWindow
          ? reinterpret_cast<HWND>(target)
          : sync_.WindowOf(NextTabStop(dialog_.Controls, GetDlgCtrlID(GetFocus()), target != 0));
  if (!next) return;
  SetFocus(next);
  if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) {
    SendMessageW(next, EM_SETSEL, 0, -1);
  }
}

void MainWindow::OnActivate(bool active) {
  if (!active) {
    HWND focus = GetFocus();
    if (focus && IsChild(window_, focus)) savedFocus_ = focus;
    return;
  }
  if (savedFocus_ && IsWindow(savedFocus_) && IsWindowVisible(savedFocus_) &&
      IsWindowEnabled(savedFocus_)) {
    SetFocus(savedFocus_);
  } else {
    KeepFocus();
  }
}

LRESULT MainWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
  const LayoutEntry* entry = FindLayoutEntry(static_cast<int>(item.CtlID));
  if (!entry) return FALSE;
  if (entry->kind == ControlKind::DirectoryList) {
    DrawDirectoryItem(item);
  } else if (entry->kind == ControlKind::VersionLabel) {
    DrawVersionLabel(item, pictures_.Bitmap(kLogoBitmap), fonts_.Get(ControlFont::Version));
  }
  return TRUE;
}

LRESULT MainWindow::OnControlColour(HDC dc, HWND control, LRESULT fallback) {
  if (control != sync_.WindowOf(kDestinationEdit)) return fallback;
  SetTextColor(dc, kNavy);
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
}

}  // namespace setup::view
