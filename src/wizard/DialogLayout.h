#pragma once
// Where every control of the setup dialog stands, what kind of window shows it, its page and its
// place in the keyboard order. The Win32 view builds its windows from this table; nothing here
// calls Windows.
#include <span>
#include <vector>

#include "wizard/DialogControls.h"

namespace setup {

enum class ControlKind {
  Label,         // text, autosized when its width is 0
  Picture,       // a bitmap from the module's resources
  Icon,          // an icon from the module's resources
  VersionLabel,  // the "V12" drawn over the banner
  Radio,
  CheckBox,
  Button,
  Edit,
  Memo,           // multi-line text, word wrapped, vertical scroll bar
  ReadOnlyMemo,   // multi-line text in the face colour, no scroll bars
  PlainMemo,      // multi-line text without word wrap
  DirectoryList,  // the classic directory list, owner drawn
  DriveList,      // a drop-down list of drive roots
  ProgressBar,
};

enum class ControlFont { Normal, WelcomeBold, DestinationBold, Version };

// The panel a control's place is relative to.
enum class ControlParent { BigPanel, Page, ButtonPanel };

inline constexpr int kNoPage = -1;
inline constexpr int kNoTabStop = -1;

struct LayoutEntry {
  int id;
  Control DialogControls::*control;  // nullptr for the banner, which holds no state
  ControlKind kind;
  ControlParent parent;
  int page;  // index of the page for controls of the notebook, kNoPage otherwise
  int x, y, width, height;
  int tabOrder;  // among the controls of its page (or of the button panel)
  ControlFont font = ControlFont::Normal;
  int picture = 0;             // resource id of a Picture or Icon
  bool groupStart = false;     // first radio button of a group
  const char* fixedText = "";  // the text of a control without state
};

struct PixelRect {
  int x, y, width, height;
};

inline constexpr int kClientWidth = 621;
inline constexpr int kClientHeight = 424;
inline constexpr PixelRect kNotebookRect{2, 88, 617, 293};
inline constexpr PixelRect kButtonPanelRect{2, 381, 617, 41};
inline constexpr int kDirectoryItemHeight = 16;

// Every control, in the order of creation: the banner, then page by page in keyboard order, then
// the buttons in keyboard order, so that the dialog manager's walk over the windows (in creation
// order) is the keyboard order.
std::span<const LayoutEntry> DialogLayout();

// The place relative to the dialog's client area.
PixelRect ClientRect(const LayoutEntry& entry);

// 0 .. 7 for the page names, kNoPage for any other text.
int PageIndex(const std::string& pageName);

// Whether the control's window is shown: its own visibility, and its page is the active one.
bool ShownNow(const LayoutEntry& entry, const DialogControls& controls);

// The ids the Tab key visits: the enabled and shown tab stops of the active page in their order,
// then those of the buttons.
std::vector<int> KeyboardOrder(const DialogControls& controls);

// The id the Tab key (Shift+Tab when backwards) moves to from currentId, round the keyboard
// order; the first (last) of it when currentId is not in it; 0 when nothing takes the focus.
int NextTabStop(const DialogControls& controls, int currentId, bool backwards);

// The id of the button that Enter presses (the Control marked Default), 0 when none is.
int DefaultButtonId(const DialogControls& controls);

// The layout entry of a control, nullptr when it has none.
const LayoutEntry* FindLayoutEntry(int id);
const LayoutEntry* FindLayoutEntry(const DialogControls& controls, const Control& control);

}  // namespace setup
