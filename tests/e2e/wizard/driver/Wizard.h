#pragma once
// One run of the setup dialog as the driver sees it: the process, its dialog found by class, the
// active page told by which page's controls are visible, and the user's actions (a click by
// control id, ticking a box, typing into an edit box, answering a message box), each waiting for
// its effect and writing what it saw to the report.
#include <windows.h>

#include <functional>
#include <string>

#include "Options.h"
#include "Report.h"
#include "WindowFind.h"

namespace e2e {

class Wizard {
 public:
  Wizard(Report& report, const Options& options);
  ~Wizard();
  Wizard(const Wizard&) = delete;
  Wizard& operator=(const Wizard&) = delete;

  // Starts the setup (or finds the open dialog) and waits for its first page.
  void Start();
  // "" while no page is visible; the first visible page otherwise.
  std::string CurrentPage() const;
  // Waits for the page, then logs it (PAGE, a CTRL line per control, SHOT), labelled with the
  // page's name and the suffix (a second visit: "LicencePage-back").
  void Arrive(const std::string& page, const std::string& suffix = "");
  void LogControls(const std::string& page, const std::string& label);
  void Shot(const std::string& name, HWND window = nullptr);  // the dialog by default

  HWND Control(int id) const;  // fails when the dialog has no such control
  bool Enabled(int id) const;
  int FocusedId() const;  // the id of the dialog's control with the keyboard focus, 0 for none
  void Click(int id);     // the control must be visible and enabled
  void SetTicked(int id, bool ticked);
  void TypeInto(int id, const std::string& text);
  // Input as a user makes it, through the system's input queue rather than as messages to a
  // window: a key pressed and released, and a left click on the middle of a control, which
  // may be greyed.
  void PressKey(WORD key);
  void MouseClick(int id);
  void WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, const std::string& what);

  // Waits for a message box of the setup's process and logs it (BOX).
  MessageBoxInfo WaitForBox(DWORD timeoutMs);
  MessageBoxInfo PeekBox() const;  // window null when none is open
  void Answer(const MessageBoxInfo& box, int buttonId);
  // Waits for the setup's process to end and logs its exit code (EXIT).
  DWORD WaitForExit(DWORD timeoutMs);
  bool Running() const;
  // After a failure: a last picture, then the setup is ended so that the prefix settles.
  void Abandon();

  Report& report() { return report_; }
  const Options& options() const { return options_; }

 private:
  void StartProcess();
  void Attach();

  Report& report_;
  const Options& options_;
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
  HWND dialog_ = nullptr;
  int shots_ = 0;
};

}  // namespace e2e
