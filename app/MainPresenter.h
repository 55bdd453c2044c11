#pragma once

// The main window's behaviour, whatever draws it: its state (busy, the end
// asked for), every handler, and the remembered paths. A toolkit's window
// (a TMainView) forwards its events here; tests drive it on a fake view.

#include <memory>
#include <string>
#include <vector>

#include "app/BatchRun.h"
#include "app/MainLogic.h"
#include "app/MainView.h"
#include "platform/SettingsStore.h"

class TMainPresenter : private TBatchWindow {
public:
  // View draws the window; Store keeps the remembered paths; runs go
  // through the file services Env (null: the system's). View and Env must
  // outlive the presenter.
  TMainPresenter(TMainView& View, std::unique_ptr<platform::SettingsStore> Store,
                 platform::FileEnv* Env = nullptr);

  // The window was made: loads the remembered paths into the fields. What
  // was read before a failure is shown all the same; the failure then
  // travels on as Exception.
  void FormCreate();
  // The window is going: saves both fields' texts. Raises Exception when a
  // value cannot be written.
  void FormDestroy();
  // True when the window may close now: not while a run is busy.
  bool FormCloseQuery() const;

  // A key went down on Control (None: on the window itself). Handles F2,
  // F3, F5, F6 and Enter as KeyAction says.
  void FormKeyDown(int VirtualKey, TMainControl Control);
  // Escape: presses "&Close" while it is enabled.
  void Escape();
  // Presses the button Control when it is one and enabled; nothing else.
  void Press(TMainControl Control);

  // The source picker, the destination picker, "&Go!", "&Close" and
  // "&About".
  void BitBtn1Click();
  void BitBtn2Click();
  void Button1Click();
  void Button2Click();
  void Button3Click();

  // What dropping Items would do, on the destination field or elsewhere.
  TDropAction DropFor(const std::vector<TDroppedItem>& Items, bool OnDestinationField) const;
  // Drops Items: sets a field as DropFor says. Raises Exception
  // (SPathWithSeparator) for a refused path.
  void Drop(const std::vector<TDroppedItem>& Items, bool OnDestinationField);

  // A field's text or width changed: the fields' tool tips show their
  // whole texts where they do not fit.
  void UpdateHints();

  // The system asks the program to end (a log-off, a stop signal): open
  // dialogs close, and the window closes as "&Close" would, now when idle,
  // or once a run has finished the file at hand.
  void RequestEnd();
  bool EndRequested() const { return endRequested_; }

  // True while a run is busy ("&Go!" is disabled).
  bool Busy() const;

private:
  // The window's part in a batch run.
  void WriteBackDestination(const std::string& NewDestination) override;
  void EnableControls(bool Enable) override;
  void ProcessMessages() override;
  void ErrorBox(const std::string& Text) override;
  bool StopRequested() override;

  TMainView& view_;
  std::unique_ptr<platform::SettingsStore> store_;
  platform::FileEnv* env_;
  bool endRequested_ = false;
};
